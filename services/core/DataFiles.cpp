#include "services/core/DataFiles.h"

#include <sys/sysinfo.h>

#include "helpers/core/SystemFolder.h"

namespace morv {

std::vector<std::string> DataFolders(const std::string& programFolder,
                                     const std::string& installedDataFolder) {
    std::vector<std::string> folders;
    auto add = [&](std::string folder) {
        if (folder.empty()) return;
        for (const std::string& f : folders)
            if (f == folder) return;
        folders.push_back(std::move(folder));
    };
    add(programFolder);
    if (!programFolder.empty()) add(GetInstalledDataFolder(programFolder));
    add(installedDataFolder);
    return folders;
}

std::uint64_t TotalPhysicalMemoryKB() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) return 0;
    const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    return std::uint64_t(info.totalram) * unit / 1024;
}

}  // namespace morv
