// trelo ("Trellin"): the batch renamer's window. Reads no command line.
#include <QApplication>
#include <QTimer>

#include "helpers/core/StopSignals.h"
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
    // A stop signal ends a running batch cleanly, or closes the window (which saves the settings).
    morv::InstallStopSignals(true);
    window.WatchStopSignals();
    window.show();
    // A batch that a crash stopped part way is put right before anything else.
    QTimer::singleShot(0, &window, [&window] { window.OfferRecovery(); });
    return app.exec();
}
