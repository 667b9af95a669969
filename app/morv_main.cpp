// morv: the editor. Each subsystem installs its commands into the main window here.
#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/MainWindow.h"
#include "editor/widgets/MorvStartup.h"

int main(int argc, char** argv) {
    return morv::Main(argc, argv, [](morv::frmMain& window) {
        morv::InstallDocumentCommands(window);
        morv::InstallHelpCommands(window);
    });
}
