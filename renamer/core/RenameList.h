#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "renamer/core/BatchOperation.h"
#include "renamer/core/NameTemplate.h"

// The renamer's list as a batch of the file operation: the one place where the window and
// trelo-cli turn their entries into moves or copies.
namespace morv::renamer {

// How the paths of the list are taken.
enum class ListPaths {
    AsGiven,        // as they are (a plan that only looks at the names)
    CurrentFolder,  // a relative path from the current folder, so that a journal names the same
                    // file wherever a recovery runs
};

// The path from the current folder when it is relative; unchanged when the current folder
// cannot be read.
std::string AbsolutePath(std::string_view path);

// One item per entry, in list order, under the entry's new name: a move stays in the file's own
// folder (a name without a folder is in the current folder, a file at the root stays there); a
// copy goes into destination. paths says how the sources and destination are taken.
std::vector<BatchItem> MakeBatchItems(BatchMode mode, const std::vector<FileEntry>& entries,
                                      std::string_view destination, ListPaths paths);

}  // namespace morv::renamer
