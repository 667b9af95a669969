#include "editor/widgets/MorvStartup.h"

#include <QApplication>
#include <QDir>

#include <vector>

#include "editor/core/CommandLine.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/QtText.h"

namespace morv {

void LoadMainWindow(frmMain& window, const std::string& argumentText) {
    window.LoadSettings();
    window.show();
    window.WidenEditorMargins();
    const std::string path = ResolveCommandLinePath(argumentText, PathToStd(QDir::currentPath()));
    window.LoadStartupDocument(PathToQString(path));
}

int Main(int argc, char** argv, const std::function<void(frmMain&)>& installCommands) {
    // The whole argument text is one path, read before Qt takes the options it knows.
    const std::string argumentText =
        JoinArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("Morvane");
    QApplication::setApplicationVersion("1.0");
    QApplication::setDesktopFileName("morvane");

    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString settingsFolder =
        PathToQString(ChooseSettingsFolder(PathToStd(programFolder), "morvane"));
    frmMain window(programFolder, settingsFolder);
    if (installCommands) installCommands(window);
    window.RefreshCommandStates();
    LoadMainWindow(window, argumentText);
    window.State().DocumentModified = false;
    window.State().StopRequest = true;
    return app.exec();
}

}  // namespace morv
