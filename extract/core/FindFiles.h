#pragma once

#include <functional>
#include <string>
#include <vector>

#include "helpers/core/Progress.h"
#include "helpers/core/Result.h"

// The folder walk that collects HTML documents for the extraction list.
namespace morv {

// True for names ending in ".htm" or ".html", letters in any case.
bool IsHtmlDocumentName(std::string_view name);

// Calls found with the full path of every HTML document below folder, depth first: the entries
// of each folder in the order the file system lists them, hidden ones included, each subfolder's
// documents at the point where the subfolder is met. Symbolic links to folders are not followed;
// a subfolder that cannot be read is skipped; the walk descends by directory handles, so a tree
// deeper than the longest path the system accepts is walked to its bottom.
// Progress: the status names each folder entered; the value counts finished direct subfolders of
// folder. ShouldStop is polled once per entry and ends the walk with a user interrupt. Fails when
// folder itself cannot be opened, and when the process runs out of file descriptors even after
// closing the handles of the folders above (which are reopened on the way back): a walk that
// could not see the whole tree never passes for a complete one.
struct FindFilesLimits {
    size_t maxOpenFolders = 64;  // handles kept open on the way down; deeper ones are reopened
};
Status FindFiles(const std::string& folder, const std::function<void(const std::string&)>& found,
                 ProgressObserver& progress, const FindFilesLimits& limits = {});
// The same walk for every file (anything that is not a folder) whose name wanted accepts.
Status FindFilesMatching(const std::string& folder,
                         const std::function<bool(std::string_view name)>& wanted,
                         const std::function<void(const std::string&)>& found,
                         ProgressObserver& progress, const FindFilesLimits& limits = {});

// The number of direct subfolders of folder (not counting hidden ones or links) plus one; 0 when
// folder cannot be listed or a stop was requested.
long CountSubfolders(const std::string& folder, ProgressObserver& progress);

// The folder scan of the Extract dialog: sets the progress range from CountSubfolders and the
// action "Scanning...", then collects the documents. Nothing found, or stopped before anything
// was found: a user interrupt (the list stays as it was). Stopped after something was found: an
// empty list (the list is emptied). A folder that cannot be opened counts as nothing found;
// running out of file descriptors is an error.
Result<std::vector<std::string>> ScanForDocuments(const std::string& folder,
                                                  ProgressObserver& progress);

}  // namespace morv
