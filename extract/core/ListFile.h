#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/FileIo.h"
#include "helpers/core/Result.h"

// List files (".mrk"): one path per line, CR LF line ends, no header. Paths are bytes and are
// kept exactly as written, blanks included.
namespace morv {

// The entries of a list file's bytes. A line ends at CR LF or at a lone CR; a lone LF is part of
// the entry. The last line needs no line end; empty lines are skipped.
std::vector<std::string> ParseListFile(std::string_view bytes);

// Every entry followed by CR LF.
std::string FormatListFile(const std::vector<std::string>& entries);

// The largest list file the windows read: millions of paths.
inline constexpr size_t kMaxListFile = size_t(256) << 20;

// Reads a list file: a regular file of at most kMaxListFile bytes unless options say otherwise
// (the tools read pipes too).
Result<std::vector<std::string>> ReadListFile(const std::string& path,
                                              const ReadOptions& options = {
                                                  kMaxListFile, false, {}});
// Writes the entries through WriteWholeFile (a pipe that nobody reads fails at once).
Status WriteListFile(const std::string& path, const std::vector<std::string>& entries);

}  // namespace morv
