#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace morv {

// morv-cli replace-all [--match-case] [--whole-word] FIND REPLACEMENT [FILE]: the text (standard
// input when no FILE) as Replace All leaves it in the editor.
int RunReplaceAllCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                         std::ostream& err);

}  // namespace morv
