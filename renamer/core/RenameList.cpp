#include "renamer/core/RenameList.h"

#include <unistd.h>

#include "helpers/core/PathHelpers.h"

namespace morv::renamer {

namespace {

// The current folder; "" when it cannot be read.
std::string CurrentFolder() {
    std::string here(4096, '\0');
    if (getcwd(here.data(), here.size()) == nullptr) return {};
    here.resize(here.find('\0'));
    return here;
}

std::string FromFolder(std::string_view here, std::string_view path) {
    if (here.empty() || path.empty() || path.front() == kPathSeparator) return std::string(path);
    return JoinPath(here, path.substr(0, 2) == "./" ? path.substr(2) : path);
}

}  // namespace

std::string AbsolutePath(std::string_view path) {
    return FromFolder(CurrentFolder(), path);
}

std::vector<BatchItem> MakeBatchItems(BatchMode mode, const std::vector<FileEntry>& entries,
                                      std::string_view destination, ListPaths paths) {
    // Read once: a list may hold many thousands of files.
    const std::string here = paths == ListPaths::CurrentFolder ? CurrentFolder() : std::string();
    const std::string copyFolder = FromFolder(here, destination);
    std::vector<BatchItem> items;
    items.reserve(entries.size());
    for (const FileEntry& entry : entries) {
        std::string source = FromFolder(here, entry.fullPath);
        std::string folder = mode == BatchMode::Move ? FolderOf(source) : copyFolder;
        items.push_back({std::move(source), std::move(folder), entry.newName});
    }
    return items;
}

}  // namespace morv::renamer
