#include "renamer/core/RenameList.h"

#include <unistd.h>

#include "helpers/core/PathHelpers.h"

namespace morv::renamer {

std::string AbsolutePath(std::string_view path) {
    if (path.empty() || path.front() == kPathSeparator) return std::string(path);
    std::string here(4096, '\0');
    if (getcwd(here.data(), here.size()) == nullptr) return std::string(path);
    here.resize(here.find('\0'));
    return JoinPath(here, path.substr(0, 2) == "./" ? path.substr(2) : path);
}

std::vector<BatchItem> MakeBatchItems(BatchMode mode, const std::vector<FileEntry>& entries,
                                      std::string_view destination, ListPaths paths) {
    const bool absolute = paths == ListPaths::CurrentFolder;
    const std::string copyFolder = absolute ? AbsolutePath(destination) : std::string(destination);
    std::vector<BatchItem> items;
    items.reserve(entries.size());
    for (const FileEntry& entry : entries) {
        std::string source = absolute ? AbsolutePath(entry.fullPath) : entry.fullPath;
        std::string folder = copyFolder;
        if (mode == BatchMode::Move) {
            // GetFolderName gives "" both for "name" and for "/name".
            folder = GetFolderName(source, false);
            if (folder.empty())
                folder = !source.empty() && source.front() == kPathSeparator
                             ? std::string(1, kPathSeparator)
                             : std::string(".");
        }
        items.push_back({std::move(source), std::move(folder), entry.newName});
    }
    return items;
}

}  // namespace morv::renamer
