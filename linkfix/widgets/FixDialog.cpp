#include "linkfix/widgets/FixDialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/IniFile.h"
#include "helpers/core/TextUtil.h"
#include "helpers/widgets/FormParts.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "linkfix/core/FixLinks.h"
#include "linkfix/widgets/FixRelativeLinks.h"

namespace morv {

namespace {

constexpr int kDefaultGoto = int(FixCaret::LastFixedPosition);

// The lists' entries in order; each carries its choice as item data.
void AddChoice(QComboBox* combo, const char* text, int choice) {
    combo->addItem(QString::fromLatin1(text), choice);
}

void Choose(QComboBox* combo, FixScope scope) {
    combo->setCurrentIndex(combo->findData(int(scope)));
}

cINI FixIni(const frmMain& main) {
    cINI ini;
    ini.FileName = PathToStd(main.SettingsFile());
    ini.AppName = "Fix";
    return ini;
}

}  // namespace

frmFix::frmFix(frmMain& main) : QDialog(&main), main_(main) {
    setObjectName("frmFix");
    setWindowTitle("Fix Relative Links");
    setAccessibleName("Fix Relative Links");
    setModal(true);

    auto* fields = new QVBoxLayout;
    QLabel* lblRoot = AddLabel(this, fields, "lblRoot", "Site's root (required):");
    txtRoot_ = new QLineEdit(this);
    txtRoot_->setObjectName("txtRoot");
    txtRoot_->setAccessibleName("Site's root (required)");
    lblRoot->setBuddy(txtRoot_);
    fields->addWidget(txtRoot_);
    AddLabel(this, fields, "lblRootExample", "Example: http://www.example.com");

    QLabel* lblPath = AddLabel(this, fields, "lblPath", "Current path (optional):");
    txtPath_ = new QLineEdit(this);
    txtPath_->setObjectName("txtPath");
    txtPath_->setAccessibleName("Current path (optional)");
    lblPath->setBuddy(txtPath_);
    fields->addWidget(txtPath_);
    AddLabel(this, fields, "lblPathExample", "Example: products/software/games");

    auto* lists = new QHBoxLayout;
    auto* applyColumn = new QVBoxLayout;
    QLabel* lblApply = AddLabel(this, applyColumn, "lblApply", "Apply to:");
    combo1_ = new QComboBox(this);
    combo1_->setObjectName("Combo1");
    combo1_->setAccessibleName("Apply to");
    lblApply->setBuddy(combo1_);
    applyColumn->addWidget(combo1_);
    auto* gotoColumn = new QVBoxLayout;
    QLabel* lblGoto = AddLabel(this, gotoColumn, "lblGoto", "When finished go to:");
    combo2_ = new QComboBox(this);
    combo2_->setObjectName("Combo2");
    combo2_->setAccessibleName("When finished go to");
    lblGoto->setBuddy(combo2_);
    gotoColumn->addWidget(combo2_);
    lists->addLayout(applyColumn);
    lists->addLayout(gotoColumn);
    fields->addSpacing(6);
    fields->addLayout(lists);
    fields->addStretch();

    auto* buttons = new QVBoxLayout;
    cmdOK_ = new QPushButton("OK", this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setAccessibleName("OK");
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton("Cancel", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setAccessibleName("Cancel");
    cmdHelp_ = new QPushButton("Help", this);
    cmdHelp_->setObjectName("cmdHelp");
    cmdHelp_->setAccessibleName("Help");
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdHelp_);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields, 1);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    txtRoot_->setMinimumWidth(260);

    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { Unload(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    txtRoot_->installEventFilter(this);
    txtPath_->installEventFilter(this);

    // The scope follows the editor: a selection suggests working on it.
    AddChoice(combo1_, "Whole document", int(FixScope::WholeDocument));
    AddChoice(combo1_, "This point forward", int(FixScope::ThisPointForward));
    AddChoice(combo1_, "Selection", int(FixScope::Selection));
    Choose(combo1_, main_.Rich1()->HasSelection() ? FixScope::Selection : FixScope::WholeDocument);
    AddChoice(combo2_, "First Fixed Position", int(FixCaret::FirstFixedPosition));
    AddChoice(combo2_, "Last Fixed Position", int(FixCaret::LastFixedPosition));
    AddChoice(combo2_, "Begin of Document", int(FixCaret::BeginOfDocument));
    AddChoice(combo2_, "End of Document", int(FixCaret::EndOfDocument));
    LoadFixSettings();
}

frmFix::~frmFix() {
    if (!unloaded_) SaveFixSettings();
}

FixScope frmFix::Scope() const {
    const QVariant choice = combo1_->currentData();
    return choice.isValid() ? FixScope(choice.toInt()) : FixScope::WholeDocument;
}

FixCaret frmFix::Caret() const {
    const QVariant choice = combo2_->currentData();
    return choice.isValid() ? FixCaret(choice.toInt()) : FixCaret::LastFixedPosition;
}

void frmFix::LoadFixSettings() {
    const cINI ini = FixIni(main_);
    // A stored choice that is not one of the list's (or "none", -1) falls back to the default
    // without affecting the other settings.
    double number = 0;
    long long choice = kDefaultGoto;
    if (ParseNumber(ini.GetINI("Goto", std::to_string(kDefaultGoto)), number) &&
        std::isfinite(number)) {
        choice = (long long)std::nearbyint(number);
    }
    if (choice < -1 || choice > 3) choice = kDefaultGoto;
    combo2_->setCurrentIndex(int(choice));
    txtPath_->setText(ToQString(ini.GetINI("Path", "")));
    txtRoot_->setText(ToQString(ini.GetINI("Root", kDefaultFixRoot)));
}

void frmFix::SaveFixSettings() {
    const cINI ini = FixIni(main_);
    ini.SetINI("Root", ToStd(txtRoot_->text()));
    ini.SetINI("Path", ToStd(txtPath_->text()));
    ini.SetINI("Goto", std::to_string(combo2_->currentIndex()));
}

void frmFix::Unload() {
    done(QDialog::Rejected);
}

void frmFix::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        SaveFixSettings();
    }
    QDialog::done(result);
}

bool frmFix::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == txtRoot_ || watched == txtPath_)) {
        // After the click or key that brought the focus has placed the caret.
        auto* box = static_cast<QLineEdit*>(watched);
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void frmFix::cmdOK_Click() {
    // A root of blanks would turn every link into "http://" + the link.
    if (TrimBlanks(ToStd(txtRoot_->text())).empty()) {
        ShowMessage(this, "Please specify the site's root.", PromptIcon::Exclamation, kAppTitle);
        txtRoot_->setFocus();
        return;
    }
    if (Scope() == FixScope::Selection && !main_.Rich1()->HasSelection()) {
        ShowMessage(this, "You have to make a selection first. ", PromptIcon::Exclamation,
                    kAppTitle);
        Choose(combo1_, FixScope::WholeDocument);
        combo1_->setFocus();
        return;
    }
    FixRelativeLinks(main_, *this);
}

void frmFix::cmdHelp_Click() {
    if (main_.Commands().helpTopic) main_.Commands().helpTopic("actions_fix.htm");
}

void ShowFixDialog(frmMain& main) {
    frmFix dialog(main);
    dialog.exec();
}

}  // namespace morv
