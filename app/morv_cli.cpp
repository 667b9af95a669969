// morv-cli: the report commands of morv on the command line, on the same core as the editor.
#include <vector>

#include "extract/core/ExtractCli.h"
#include "helpers/core/CliCommand.h"
#include "linkcheck/core/CheckLinksCli.h"
#include "linkfix/core/FixLinksCommand.h"
#include "search/core/SearchCli.h"
#include "sections/core/SectionsCli.h"

int main(int argc, char** argv) {
    // One row per subcommand; each subsystem provides its Run...Command in its core library.
    const std::vector<morv::CliCommand> commands = {
        {"extract", "report the tags of HTML files", &morv::RunExtractCommand},
        {"scan", "list the HTML documents below a folder", &morv::RunScanCommand},
        {"sections", "print the file nodes of a report's sections tree", &morv::RunSectionsCommand},
        {"remove-sections", "drop the report's header lines", &morv::RunRemoveSectionsCommand},
        {"remove-empty", "drop the empty lines", &morv::RunRemoveEmptyCommand},
        {"replace-all", "replace every match", &morv::RunReplaceAllCommand},
        {"fix-links", "make relative links absolute", &morv::RunFixLinksCommand},
        {"check-links", "check a site's links against its files", &morv::RunCheckLinksCommand},
    };
    return morv::RunCli("morv-cli", "1.0", commands, argc, argv);
}
