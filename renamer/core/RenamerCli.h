#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "helpers/core/CliCommand.h"

// The subcommands of trelo-cli, on the same core as the window:
//   preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] [-z] FILE...
//   rename  TEMPLATE [options] [--update-links DIR [--url ADDRESS]...] [--dry-run]
//           [--no-clobber] FILE...
//   copy    TEMPLATE --to DIR [options] [--update-links DIR [--url ADDRESS]...] [--dry-run]
//           [--no-clobber] FILE...
//   recover [--finish]
//   undo    [--dry-run]
// With --update-links the pages of the site folder DIR that link to the files are rewritten too
// (SiteBatch.h). Every command first looks for a batch that a crash stopped part way and says
// so; until it is recovered, no new batch starts.
namespace morv::renamer {

int RunPreviewCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);
int RunRenameCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);
int RunCopyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err);

int RunRecoverCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);
int RunUndoCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err);

std::vector<CliCommand> RenamerCliCommands();

}  // namespace morv::renamer
