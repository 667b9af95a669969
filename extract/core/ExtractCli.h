#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The extraction subcommands of morv-cli.
namespace morv {

// morv-cli extract [--kinds LIST] [--no-relative] [--no-headers] [--list FILE] [--scan DIR]
//                  [-o REPORT] [FILE...]
// Writes the report the editor would hold after an extraction with "Clear text before
// extracting" ticked, to REPORT (replaced only when the run succeeds) or standard output.
int RunExtractCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);

// morv-cli scan DIR: the documents the folder scan would list, one path per line.
int RunScanCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err);

}  // namespace morv
