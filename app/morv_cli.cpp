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
        {"extract", "extract [OPTIONS] [FILE...]  report the tags of HTML files",
         &morv::RunExtractCommand},
        {"scan", "scan DIR  list the HTML documents below a folder", &morv::RunScanCommand},
        {"sections", "sections [FILE]  print the file nodes of a report's sections tree",
         &morv::RunSectionsCommand},
        {"remove-sections", "remove-sections [FILE]  drop the report's header lines",
         &morv::RunRemoveSectionsCommand},
        {"remove-empty", "remove-empty [FILE]  drop the empty lines", &morv::RunRemoveEmptyCommand},
        {"replace-all",
         "replace-all [--match-case] [--whole-word] FIND REPLACEMENT [FILE]  replace every match",
         &morv::RunReplaceAllCommand},
        {"fix-links", "fix-links --root ROOT [--path PATH] [FILE]  make relative links absolute",
         &morv::RunFixLinksCommand},
        {"check-links",
         "check-links DIR [--url ADDRESS]... [--index NAMES] [--orphans] [--format report|tsv] "
         "[-o FILE]  check a site's links against its files",
         &morv::RunCheckLinksCommand},
    };
    return morv::RunCli("morv-cli", "1.0", commands, argc, argv);
}
