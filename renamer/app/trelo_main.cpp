// trelo ("Trellin"): the batch renamer's window. Reads no command line.
#include <QApplication>

#include "helpers/widgets/QtText.h"
#include "renamer/core/RenamerSettings.h"
#include "renamer/widgets/frmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellin"));
    // Ties the windows to trellin.desktop, whose icon the desktop shows for them.
    QApplication::setDesktopFileName(QStringLiteral("trellin"));
    const std::string settings =
        morv::renamer::SettingsFilePath(morv::PathToStd(QCoreApplication::applicationDirPath()));
    morv::renamer::frmMain window(morv::PathToQString(settings));
    window.LoadSettings();
    window.show();
    return app.exec();
}
