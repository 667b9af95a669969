#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace morv {

// morv-cli sections [FILE]: prints the file nodes a sections-tree build would add, one per line:
// key, text and tag separated by tabs (tab, CR, LF and backslash written as \t, \r, \n, \\).
int RunSectionsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err);

// morv-cli remove-sections [FILE] / remove-empty [FILE]: the text (standard input when no FILE is
// named) as Remove Section Attributes / Remove Empty-Lines leave it in the editor.
int RunRemoveSectionsCommand(const std::vector<std::string>& args, std::istream& in,
                             std::ostream& out, std::ostream& err);
int RunRemoveEmptyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                          std::ostream& err);

}  // namespace morv
