// morv: the editor. Each subsystem installs its commands into the main window here.
#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/MainWindow.h"
#include "editor/widgets/MorvStartup.h"
#include "extract/widgets/ExtractDialog.h"
#include "linkcheck/widgets/CheckLinksDialog.h"
#include "linkfix/widgets/FixRelativeLinks.h"
#include "search/widgets/FindDialogs.h"
#include "sections/widgets/SectionsCommands.h"

int main(int argc, char** argv) {
    return morv::Main(argc, argv, [](morv::frmMain& window) {
        morv::InstallDocumentCommands(window);
        morv::InstallHelpCommands(window);
        morv::InstallExtractCommands(window);
        morv::InstallSectionsCommands(window);
        morv::InstallLinkfixCommands(window);
        morv::InstallLinkcheckCommands(window);
        morv::InstallSearchCommands(window);
    });
}
