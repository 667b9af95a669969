#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace morv {

// morv-cli check-links DIR [--url ADDRESS]... [--index NAMES] [--orphans]
//                          [--format report|tsv] [-o FILE]
// Checks the links and images of the documents below DIR and writes the report (or the
// tab-separated lines) to FILE, replaced only when the check succeeds, or to standard output.
// Exit status: 0 nothing missing, 1 something missing, 2 bad usage or a check that could not
// be done.
int RunCheckLinksCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                         std::ostream& err);

}  // namespace morv
