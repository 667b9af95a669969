#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Progress.h"

// The renamer's batch file operation: one call moves or copies a whole batch of files under new
// names. Plan first, act second:
//  1. PlanBatch (pure, no I/O) checks every new name and finds the files of the batch whose new
//     name is the old name of another file of the batch (chains such as 01->00 while 02->01,
//     swaps, longer cycles) and the order that frees each name before it is taken. Two files
//     that would get the same name, an empty name, a name holding "/" or NUL, "." or "..", or a
//     name over 255 bytes are problems: the batch is refused before anything is touched.
//  2. RunBatch looks at the disk (read only), asks before replacing a file that is not part of
//     the batch and before creating a missing folder (all questions come before the first
//     change, so a Cancel touches nothing), then acts:
//     - a move never replaces a file without a yes (renameat2 with RENAME_NOREPLACE, or link
//       then unlink where a file system lacks it); a cycle goes through a temporary name in the
//       folder of its first file, and a case-only rename where the file system ignores case
//       through a temporary name too;
//     - a copy goes to a temporary name in the destination folder (permissions and modification
//       time kept) and is renamed into place, so a failed copy leaves no half file;
//     - a move to another file system copies the same way and deletes the source only after the
//       copy is complete and on disk.
//     A failure or a stop part way never leaves a file under a temporary name: a cycle that
//     cannot be completed is turned back. Every item reports what happened to it.
namespace morv::renamer {

enum class BatchMode { Move, Copy };

struct BatchItem {
    std::string source;        // full path of the file
    std::string targetFolder;  // where it goes: its own folder when renaming
    std::string newName;       // its name there
};

std::string TargetPath(const BatchItem& item);

// The longest file name the file systems take, in bytes.
inline constexpr size_t kMaxNameBytes = 255;

// The pure plan: the problems that refuse the batch, and the order of work. Each group is one
// chain or one cycle of items that depend on each other, or a single item; items[0] of a chain
// is the one whose new name is free, so it goes first, and every later one takes the name the
// one before it gave up. In a cycle each item takes the old name of the next (items[i]'s new
// path is items[i+1]'s source, the last one's is items[0]'s).
struct BatchGroup {
    std::vector<size_t> items;
    bool cycle = false;
};

struct BatchPlan {
    std::vector<std::string> problems;
    std::vector<BatchGroup> groups;
    // For each item: the item whose source is its new path (it must leave first), or npos.
    std::vector<size_t> takesNameOf;
    std::vector<bool> unchanged;  // new path equals the source
};

BatchPlan PlanBatch(BatchMode mode, const std::vector<BatchItem>& items);

// What RunBatch asks before it replaces a file that exists outside the batch.
struct ReplaceQuestion {
    std::string target;  // the existing file
    std::string source;  // the file that would replace it
    int64_t targetSize = 0, sourceSize = 0;
    std::time_t targetModified = 0, sourceModified = 0;
};

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

class BatchQuestions {
  public:
    virtual ~BatchQuestions() = default;
    // Yes replaces this file; Yes to All every such file of the batch without asking again; No
    // keeps both files (this item is skipped); Cancel ends the batch before anything is touched.
    virtual ReplaceAnswer AskReplace(const ReplaceQuestion& question) = 0;
    // True creates the missing folder (and its parents); false ends the batch untouched.
    virtual bool AskCreateFolder(const std::string& folder) = 0;
};

// Never replaces and never creates: the answers of --no-clobber.
class NoClobberQuestions : public BatchQuestions {
  public:
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override { return ReplaceAnswer::No; }
    bool AskCreateFolder(const std::string&) override { return false; }
};

enum class ItemState {
    Done,       // moved or copied to its new name
    Unchanged,  // the new path is the old one: nothing to do
    Skipped,    // its new name exists and the user kept it
    Failed,     // the system refused; reason holds its error text
    NotRun,     // not reached: cancelled, waiting for an item that was not done, or a dry run
};

struct ItemOutcome {
    ItemState state = ItemState::NotRun;
    std::string reason;  // why it was not done, or what a dry run would do
};

struct BatchResult {
    std::vector<std::string> problems;  // the batch was refused; nothing was touched
    std::vector<ItemOutcome> items;     // one per item, in the items' order
    bool cancelled = false;             // the user cancelled (at a question or with Stop)

    static bool IsDone(ItemState state) {
        return state == ItemState::Done || state == ItemState::Unchanged;
    }
    size_t DoneCount() const;
    // The one success result: no problem, no cancel, every item done.
    bool ok() const;
};

struct BatchOptions {
    bool dryRun = false;  // plan and look only: nothing is asked or touched
    // Called before every change on disk with the item and a word for the step ("move", "to
    // temporary", "from temporary", "copy", "copy data" (a copy written, not yet closed),
    // "place", "delete source", "undo"). Returning an errno value fails that step as if the
    // system had refused it; 0 goes on. Tests use it to fail a batch part way and to change the
    // disk under the operation.
    std::function<int(size_t item, std::string_view step)> beforeStep;
};

// Runs the whole batch. progress gets the number of items as its maximum and the number handled
// so far, never a file name; ShouldStop is polled between groups.
BatchResult RunBatch(BatchMode mode, const std::vector<BatchItem>& items, BatchQuestions& questions,
                     ProgressObserver& progress = NoProgress(), const BatchOptions& options = {});

// One line for the user: how many were done, and why the others were not.
std::string DescribeResult(BatchMode mode, const std::vector<BatchItem>& items,
                           const BatchResult& result, size_t maxListed = 10);

}  // namespace morv::renamer
