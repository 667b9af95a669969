#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "helpers/core/CliCommand.h"

// The subcommands of trelo-cli, on the same core as the window:
//   preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] FILE...
//   rename  TEMPLATE [options] [--dry-run] [--no-clobber] FILE...
//   copy    TEMPLATE --to DIR [options] [--dry-run] [--no-clobber] FILE...
namespace morv::renamer {

int RunPreviewCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);
int RunRenameCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);
int RunCopyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err);

std::vector<CliCommand> RenamerCliCommands();

}  // namespace morv::renamer
