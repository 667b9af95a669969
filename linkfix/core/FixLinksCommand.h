#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace morv {

// morv-cli fix-links --root ROOT [--path PATH] [FILE]: reads a report from FILE (or standard
// input), fixes its relative links over the whole document as the editor does, and writes the
// result to standard output with CR LF line breaks.
int RunFixLinksCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err);

}  // namespace morv
