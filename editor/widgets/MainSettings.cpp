// The main window's settings in morv.ini: window size, position and state, word wrap, the
// editor font and the dialogs' starting folder.
#include <QAction>
#include <QScreen>

#include <cmath>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/IniFile.h"
#include "helpers/core/TextUtil.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

constexpr int kDefaultWidth = 9720;   // twips
constexpr int kDefaultHeight = 8010;  // twips

// A stored number as a whole number: decimal, an optional fraction rounded half to even.
bool WholeNumber(const std::string& text, long long& value) {
    double number = 0;
    if (!ParseNumber(text, number) || !std::isfinite(number) || std::fabs(number) > 1e9) {
        return false;
    }
    value = (long long)std::nearbyint(number);
    return true;
}

cINI SettingsIni(const frmMain& window, const char* section) {
    cINI ini;
    ini.FileName = PathToStd(window.SettingsFile());
    ini.AppName = section;
    return ini;
}

QFont EditorFont(const QString& family, int points) {
    QFont font(family, points > 0 ? points : 10);
    font.setStyleHint(QFont::TypeWriter);  // a missing face falls back to a monospaced one
    return font;
}

}  // namespace

void frmMain::LoadSettings() {
    cINI ini = SettingsIni(*this, "General");
    state_.LastPath = PathToQString(ini.GetINI("LastPath", ""));
    ini.AppName = "Main";

    // Sizes a window can take; anything else is skipped like a value that does not convert.
    auto usableSize = [](long long pixels) { return pixels > 0 && pixels < 100000; };
    long long value = 0;
    if (WholeNumber(ini.GetINI("Width", std::to_string(kDefaultWidth)), value) &&
        usableSize(TwipsToPixelsX(double(value)))) {
        resize(TwipsToPixelsX(double(value)), height());
    }
    if (WholeNumber(ini.GetINI("Height", std::to_string(kDefaultHeight)), value) &&
        usableSize(TwipsToPixelsY(double(value)))) {
        resize(width(), TwipsToPixelsY(double(value)));
    }
    const QRect screenArea = screen() != nullptr ? screen()->geometry() : QRect(0, 0, 1024, 768);
    const long long centreLeft =
        std::llround(PixelsToTwipsX(screenArea.width()) / 2 - PixelsToTwipsX(width()) / 2);
    if (WholeNumber(ini.GetINI("Left", std::to_string(centreLeft)), value)) {
        move(TwipsToPixelsX(double(value)), y());
    }
    double state = 0;
    // Applied last: moving the window afterwards would take it out of the maximised state.
    const bool maximize = ParseNumber(ini.GetINI("State", "0"), state) && state == 1;
    const bool wrap = ini.GetINI("WordWrap", "0") == "1";
    MenuAction("mnuFormatWordWrap")->setChecked(wrap);
    SetWordWrapMode(wrap ? 1 : 0);
    const long long centreTop =
        std::llround(PixelsToTwipsY(screenArea.height()) / 2 - PixelsToTwipsY(height()) / 2);
    if (WholeNumber(ini.GetINI("Top", std::to_string(centreTop)), value)) {
        move(x(), TwipsToPixelsY(double(value)));
    }
    QFont font = rich1_->font();
    const std::string family = ini.GetINI("FontName", "Courier New");
    if (!family.empty()) font.setFamily(ToQString(family));
    if (WholeNumber(ini.GetINI("FontSize", "10"), value) && value > 0 && value < 1000) {
        font.setPointSize(int(value));
    }
    font.setStyleHint(QFont::TypeWriter);
    rich1_->setFont(font);
    if (maximize) setWindowState(windowState() | Qt::WindowMaximized);
}

void frmMain::SaveSettings() {
    cINI ini = SettingsIni(*this, "General");
    ini.SetINI("Version", "1.0");
    ini.SetINI("LastPath", PathToStd(state_.LastPath));
    ini.AppName = "Main";
    if (isMaximized() || isMinimized()) {
        ini.SetINI("State", "1");
    } else {
        ini.SetINI("State", "0");
        ini.SetINI("Width", std::to_string(std::llround(PixelsToTwipsX(width()))));
        ini.SetINI("Height", std::to_string(std::llround(PixelsToTwipsY(height()))));
        ini.SetINI("Left", std::to_string(std::llround(PixelsToTwipsX(x()))));
        ini.SetINI("Top", std::to_string(std::llround(PixelsToTwipsY(y()))));
    }
    ini.SetINI("WordWrap", IsWordWrapOn() ? "1" : "0");
    ini.SetINI("FontName", ToStd(rich1_->font().family()));
    ini.SetINI("FontSize", std::to_string(std::llround(rich1_->font().pointSizeF())));
}

void frmMain::RestoreDefaultSettings() {
    const bool modified = state_.DocumentModified;
    if (!isMaximized() && !isMinimized()) {
        resize(TwipsToPixelsX(kDefaultWidth), TwipsToPixelsY(kDefaultHeight));
        const QRect screenArea = screen() != nullptr ? screen()->geometry() : QRect();
        move(TwipsToPixelsX(std::llround(PixelsToTwipsX(screenArea.width()) / 2 -
                                         PixelsToTwipsX(width()) / 2)),
             TwipsToPixelsY(std::llround(PixelsToTwipsY(screenArea.height()) / 2 -
                                         PixelsToTwipsY(height()) / 2)));
    }
    MenuAction("mnuFormatWordWrap")->setChecked(false);
    SetWordWrapMode(0);
    rich1_->setFont(EditorFont("Courier New", 10));
    SaveSettings();
    state_.DocumentModified = modified;
}

}  // namespace morv
