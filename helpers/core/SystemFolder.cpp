#include "helpers/core/SystemFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

std::string GetTempFolder() {
    const char* env = std::getenv("TMPDIR");
    std::string folder = (env != nullptr && *env != '\0') ? std::string(env) : std::string("/tmp");
    folder = std::string(TrimBlanks(folder));
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder;
}

Result<std::string> GetTempFile() {
    std::string pattern = GetTempFolder() + "MRVXXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        return Error{errno, "mSystemFolder::GetTempFile", "Unable to create temporary file"};
    }
    close(fd);
    return pattern;
}

std::string GetAPIErrorText(int code) {
    char buffer[256] = {};
    // The GNU strerror_r returns a pointer that may or may not be the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    std::string result(TrimBlanks(text == nullptr ? "" : text));
    // glibc answers "Unknown error N" for codes it has no text for.
    if (result.empty() || result.rfind("Unknown error", 0) == 0) return "Unknown error.";
    return result;
}

TempFileGuard::~TempFileGuard() {
    if (!path_.empty()) unlink(path_.c_str());
}

void TempFileGuard::reset(std::string path) {
    if (!path_.empty()) unlink(path_.c_str());
    path_ = std::move(path);
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = GetFolderName(path, false);
    if (!parent.empty() && parent != path) MakeFolders(parent);
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string ChooseSettingsFolder(const std::string& programFolder, const std::string& appFolder) {
    if (!programFolder.empty() && access(programFolder.c_str(), W_OK) == 0 &&
        !IsInstalledProgramFolder(programFolder)) {
        return programFolder;
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = JoinPath(home, ".config");
    } else {
        base = GetTempFolder();
    }
    std::string folder = JoinPath(base, appFolder);
    MakeFolders(folder);
    return folder;
}

std::string GetInstalledDataFolder(const std::string& programFolder) {
    return JoinPath(GetFolderName(programFolder, false), "share/morvane");
}

bool IsInstalledProgramFolder(const std::string& programFolder) {
    struct stat st {};
    const std::string data = GetInstalledDataFolder(programFolder);
    return !programFolder.empty() && stat(data.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace morv
