#include "linkcheck/core/SiteFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "helpers/core/SystemFolder.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty()) path += '/';
    path.append(name);
    return path;
}

}  // namespace

SiteFiles::SiteFiles(std::string folder, std::vector<std::string> indexNames)
    : folder_(std::move(folder)), indexNames_(std::move(indexNames)) {}

SiteFiles::~SiteFiles() {
    if (fd_ >= 0) ::close(fd_);
}

Status SiteFiles::Open() {
    if (fd_ >= 0) return Ok();
    fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        const int number = errno;
        return Error{
            number, "mCheckLinks::CheckLinks",
            "Unable to open the folder \"" + folder_ + "\" (" + GetAPIErrorText(number) + ")"};
    }
    return Ok();
}

SiteFiles::Entry& SiteFiles::Look(std::string_view target) {
    auto known = entries_.find(target);
    if (known != entries_.end()) return known->second;
    return entries_.emplace(std::string(target), Lookup(target)).first->second;
}

bool SiteFiles::Stat(const std::string& path, bool& isFolder) const {
    struct stat st {};
    if (::fstatat(fd_, path.empty() ? "." : path.c_str(), &st, 0) != 0) return false;
    isFolder = S_ISDIR(st.st_mode);
    return true;
}

SiteFiles::Entry SiteFiles::Lookup(std::string_view target) {
    // A NUL cannot be in a file name, and the system would cut the name there.
    if (fd_ < 0 || target.find('\0') != std::string_view::npos) return {};
    const bool folderLink = target.empty() || target.back() == '/';
    std::string path(folderLink ? target.substr(0, target.size() - (target.empty() ? 0 : 1))
                                : target);
    bool isFolder = false;
    TargetState state = TargetState::Found;
    if (!Stat(path, isFolder)) {
        std::string actual;
        if (!FindIgnoringCase(path, actual) || !Stat(actual, isFolder)) return {};
        path = std::move(actual);
        state = TargetState::Case;
    }
    if (isFolder) return IndexOf(path, state);
    if (folderLink) return {};  // "a.htm/": a file is not a folder
    Entry entry;
    entry.state = state;
    if (state == TargetState::Case) entry.file = std::move(path);
    return entry;
}

SiteFiles::Entry SiteFiles::IndexOf(const std::string& folder, TargetState state) {
    bool isFolder = false;
    for (const std::string& name : indexNames_) {
        std::string path = Join(folder, name);
        if (Stat(path, isFolder) && !isFolder) return Entry{state, std::move(path), false};
    }
    // An index document named in other letter case works only where case does not matter.
    const Listing& listing = ListingOf(folder);
    for (const std::string& name : indexNames_) {
        auto found = listing.find(AsciiLowerCopy(name));
        if (found == listing.end()) continue;
        for (const std::string& actual : found->second) {
            std::string path = Join(folder, actual);
            if (Stat(path, isFolder) && !isFolder)
                return Entry{TargetState::Case, std::move(path), false};
        }
    }
    return {};
}

bool SiteFiles::FindIgnoringCase(std::string_view path, std::string& actual) {
    actual.clear();
    for (std::string_view segment : Split(path, '/')) {
        const Listing& listing = ListingOf(actual);
        auto found = listing.find(AsciiLowerCopy(segment));
        if (found == listing.end()) return false;
        // The name as written when the folder has it, else the first in other case.
        std::string_view chosen = found->second.front();
        for (const std::string& name : found->second)
            if (name == segment) chosen = name;
        actual = Join(actual, chosen);
    }
    return true;
}

const SiteFiles::Listing& SiteFiles::ListingOf(const std::string& folder) {
    auto known = listings_.find(folder);
    if (known != listings_.end()) return known->second;
    Listing& listing = listings_[folder];
    const int fd =
        ::openat(fd_, folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return listing;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return listing;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        listing[AsciiLowerCopy(name)].emplace_back(name);
    }
    ::closedir(dir);
    return listing;
}

}  // namespace morv
