#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the files that ship with the program live, and what the machine offers.
namespace morv {

// The folders searched, in order, for a file that ships with the program (the help collection
// "morv.qhc" with "morv.qch", and "License.txt"): the program's own folder, which holds them in a
// build tree or an unpacked copy, then the installed data folder "<prefix>/share/morvane" beside
// the program's "<prefix>/bin", then installedDataFolder (the data folder of the configured install
// prefix) when it is not empty.
std::vector<std::string> DataFolders(const std::string& programFolder,
                                     const std::string& installedDataFolder);

// The machine's total physical memory in kilobytes (sysinfo), 0 when it cannot be read.
std::uint64_t TotalPhysicalMemoryKB();

}  // namespace morv
