#include "extract/core/FindFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

struct Entry {
    std::string name;
    bool folder = false;
};

constexpr int kOpenFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Whether the entry name in the folder fd is a real folder (not a link to one) and whether it
// is a link to a folder; d_type answers without a system call on most file systems.
void Classify(int fd, const dirent* entry, bool& folder, bool& linkToFolder) {
    folder = false;
    linkToFolder = false;
    unsigned char type = entry->d_type;
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (S_ISDIR(st.st_mode)) type = DT_DIR;
        if (S_ISLNK(st.st_mode)) type = DT_LNK;
    }
    if (type == DT_DIR) {
        folder = true;
    } else if (type == DT_LNK) {
        linkToFolder = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
}

// Reads every entry of the open folder fd (which stays open) except "." and "..". Links to
// folders are left out: they are neither walked nor documents.
bool ListFolder(int fd, std::vector<Entry>& entries) {
    entries.clear();
    int listFd = ::dup(fd);
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        bool folder = false, linkToFolder = false;
        Classify(fd, entry, folder, linkToFolder);
        if (linkToFolder) continue;
        entries.push_back(Entry{name, folder});
    }
    ::closedir(dir);
    return true;
}

// One folder on the way down.
struct Frame {
    int fd = -1;
    std::string path;
    std::vector<Entry> entries;
    size_t next = 0;
    dev_t dev = 0;
    ino_t ino = 0;
};

// Takes the open folder fd as frame, with its entries listed. False (errno set) when it cannot
// be listed; fd is closed then.
bool OpenFrame(int fd, std::string path, Frame& frame) {
    struct stat st {};
    if (fd < 0) return false;
    if (::fstat(fd, &st) != 0 || !ListFolder(fd, frame.entries)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    frame.fd = fd;
    frame.path = std::move(path);
    frame.next = 0;
    frame.dev = st.st_dev;
    frame.ino = st.st_ino;
    return true;
}

bool OutOfDescriptors(int number) {
    return number == EMFILE || number == ENFILE;
}

// Closes the handles of every folder on the way down but the deepest one; they are reopened
// through ".." on the way back.
void CloseAncestors(std::vector<Frame>& stack) {
    for (size_t i = 0; i + 1 < stack.size(); ++i) {
        if (stack[i].fd >= 0) ::close(stack[i].fd);
        stack[i].fd = -1;
    }
}

// Runs open once, and once more after closing the ancestors' handles when the process is out
// of descriptors. False with errno set when it fails.
template <typename Open>
bool OpenFreeingHandles(std::vector<Frame>& stack, Open open) {
    if (open()) return true;
    if (!OutOfDescriptors(errno) || stack.size() < 2) return false;
    CloseAncestors(stack);
    return open();
}

Error FolderError(int number, const std::string& folder) {
    return FileError(number, "Unable to open the folder", folder);
}

}  // namespace

bool IsHtmlDocumentName(std::string_view name) {
    return EndsWithIgnoreCase(name, ".htm") || EndsWithIgnoreCase(name, ".html");
}

Status FindFiles(const std::string& folder, const std::function<void(const std::string&)>& found,
                 ProgressObserver& progress, const FindFilesLimits& limits) {
    return FindFilesMatching(folder, IsHtmlDocumentName, found, progress, limits);
}

Status FindFilesMatching(const std::string& folder,
                         const std::function<bool(std::string_view name)>& wanted,
                         const std::function<void(const std::string&)>& found,
                         ProgressObserver& progress, const FindFilesLimits& limits) {
    std::vector<Frame> stack;
    stack.emplace_back();
    // The chosen folder itself may be reached through a link; below it no link is followed.
    if (!OpenFrame(OpenPath(folder, kOpenFolderFlags & ~O_NOFOLLOW), folder, stack.back()))
        return FolderError(errno, folder);
    long counter = 0;
    const size_t keepOpen = limits.maxOpenFolders < 2 ? 2 : limits.maxOpenFolders;
    Status result = Ok();

    while (!stack.empty() && result) {
        Frame& frame = stack.back();
        if (frame.next == frame.entries.size()) {
            // This folder is done: back to its parent, reopening the parent's handle through ".."
            // when it was closed on the way down (and making sure it is the same folder).
            if (stack.size() > 1 && stack[stack.size() - 2].fd < 0) {
                int fd = -1;
                OpenFreeingHandles(stack, [&] {
                    fd = ::openat(frame.fd, "..", kOpenFolderFlags);
                    return fd >= 0;
                });
                Frame& parent = stack[stack.size() - 2];
                struct stat st {};
                if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.dev &&
                    st.st_ino == parent.ino) {
                    parent.fd = fd;
                } else if (fd < 0 && OutOfDescriptors(errno)) {
                    result = FolderError(errno, parent.path);
                } else {
                    if (fd >= 0) ::close(fd);
                    parent.next = parent.entries.size();  // moved away: give it up
                }
            }
            ::close(stack.back().fd);
            stack.pop_back();
            if (stack.size() == 1) progress.SetValue(++counter);
            continue;
        }
        if (progress.ShouldStop()) {
            result = UserInterrupt();
            break;
        }
        const Entry& entry = frame.entries[frame.next++];
        std::string full = JoinPath(frame.path, entry.name);
        if (entry.folder) {
            progress.SetStatus(full);
            Frame child;
            const bool opened = OpenFreeingHandles(stack, [&] {
                return OpenFrame(::openat(stack.back().fd, entry.name.c_str(), kOpenFolderFlags),
                                 full, child);
            });
            if (!opened) {
                // Running out of handles ends the walk; a folder that cannot be read is skipped,
                // but it still counts as a finished direct subfolder.
                if (OutOfDescriptors(errno)) {
                    result = FolderError(errno, full);
                } else if (stack.size() == 1) {
                    progress.SetValue(++counter);
                }
                continue;
            }
            if (stack.size() >= keepOpen) {
                ::close(stack.back().fd);
                stack.back().fd = -1;
            }
            stack.push_back(std::move(child));
        } else if (wanted(entry.name)) {
            found(full);
        }
    }
    for (Frame& frame : stack)
        if (frame.fd >= 0) ::close(frame.fd);
    return result;
}

long CountSubfolders(const std::string& folder, ProgressObserver& progress) {
    const int fd = OpenPath(folder, kOpenFolderFlags & ~O_NOFOLLOW);
    if (fd < 0) return 0;
    std::vector<Entry> entries;
    bool listed = ListFolder(fd, entries);
    ::close(fd);
    if (!listed) return 0;
    long count = 0;
    for (const Entry& entry : entries) {
        if (progress.ShouldStop()) return 0;
        if (entry.folder && entry.name[0] != '.') ++count;
    }
    return count + 1;
}

Result<std::vector<std::string>> ScanForDocuments(const std::string& folder,
                                                  ProgressObserver& progress) {
    progress.SetMax(CountSubfolders(folder, progress) + 1);
    progress.SetAction("Scanning...");
    std::vector<std::string> files;
    Status walked = FindFiles(
        folder, [&files](const std::string& path) { files.push_back(path); }, progress);
    // Out of handles, the walk saw only part of the tree: that is an error, not a short list.
    if (!walked && OutOfDescriptors(walked.error().number)) return walked.error();
    if (files.empty()) return UserInterrupt();
    if (!walked) files.clear();
    return files;
}

}  // namespace morv
