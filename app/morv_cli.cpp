// morv-cli: the report commands of morv on the command line, on the same core as the editor.
#include <vector>

#include "extract/core/ExtractCli.h"
#include "helpers/core/CliCommand.h"

int main(int argc, char** argv) {
    // One row per subcommand; each subsystem provides its Run...Command in its core library.
    const std::vector<morv::CliCommand> commands = {
        {"extract", "extract [OPTIONS] [FILE...]  report the tags of HTML files",
         morv::RunExtractCommand},
        {"scan", "scan DIR                     list the HTML documents below a folder",
         morv::RunScanCommand},
    };
    return morv::RunCli("morv-cli", "1.0", commands, argc, argv);
}
