// morv-cli: the report commands of morv on the command line, on the same core as the editor.
#include <vector>

#include "helpers/core/CliCommand.h"
#include "linkfix/core/FixLinksCommand.h"

int main(int argc, char** argv) {
    // One row per subcommand; each subsystem provides its Run...Command in its core library.
    const std::vector<morv::CliCommand> commands = {
        {"fix-links", "fix-links --root ROOT [--path PATH] [FILE]   make relative links absolute",
         morv::RunFixLinksCommand},
    };
    return morv::RunCli("morv-cli", "1.0", commands, argc, argv);
}
