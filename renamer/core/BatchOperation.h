#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Progress.h"

// The renamer's batch file operation: one call moves or copies a whole batch of files under new
// names, in named phases:
//  1. Plan (PlanBatch, pure, no I/O) checks every new name and finds the files of the batch whose
//     new name is the old name of another file of the batch (chains such as 01->00 while 02->01,
//     swaps, longer cycles) and the order that frees each name before it is taken. Two files
//     that would get the same name, an empty name, a name holding "/" or NUL, "." or "..", a
//     name over 255 bytes, or a file inside a folder that the batch renames too are problems:
//     the batch is refused before anything is touched.
//  2. Look: a read-only look at the disk (folders, the new names that exist, the sources).
//  3. Ask: every question (replace a file that is not part of the batch, create a missing folder)
//     comes before the first change, so a Cancel touches nothing.
//  4. Act, recorded: the recorder (the batch journal) gets the plan before the first change and
//     every step after it, so that a crash at any point can be put right.
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
    // The hidden name under which this item's file (in a cycle or a case-only rename) or its copy
    // waits while the batch runs; "" for one made from BatchOptions::temporaryTag and the index.
    std::string temporaryName = {};
};

std::string TargetPath(const BatchItem& item);

// The temporary name of item index of the batch tagged tag: ".trelo-<tag>-<index>.tmp".
std::string TemporaryFileName(std::string_view tag, size_t index);
bool IsTemporaryFileName(std::string_view name);
// A new random tag for the temporary names of one batch.
std::string NewTemporaryTag();

// 'text', as messages quote names and paths.
std::string Quoted(std::string_view text);
// The folder a file is in: "/" for a file at the root, "." for a bare name.
std::string FolderOf(const std::string& path);
// "1 file", "2 files".
std::string CountOf(size_t count, const char* one, const char* many);

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

// A file as the system knows it: enough to tell whether a name still holds the file the batch
// moved or wrote. The birth time tells a file from a new one that got the inode number of a
// deleted one; it is 0 where the file system does not keep it.
struct FileIdentity {
    uint64_t device = 0, inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = 0;
    int64_t bornNs = 0;

    bool known() const { return device != 0 || inode != 0; }
    bool SameFile(const FileIdentity& other) const {
        return known() && device == other.device && inode == other.inode &&
               (bornNs == 0 || other.bornNs == 0 || bornNs == other.bornNs);
    }
    // The same file, neither grown nor shrunk nor written since.
    bool Unchanged(const FileIdentity& other) const {
        return SameFile(other) && size == other.size && modifiedNs == other.modifiedNs;
    }
};

// The identity of what is at path (the link itself for a symbolic link); unknown when nothing is.
FileIdentity LookAtPath(const std::string& path);
// The identity of an open file.
FileIdentity LookAtFile(int fd);

// What RunBatch asks before it replaces a file that exists outside the batch.
struct ReplaceQuestion {
    std::string target;  // the existing file
    std::string source;  // the file that would replace it
    int64_t targetSize = 0, sourceSize = 0;
    std::time_t targetModified = 0, sourceModified = 0;
    // The existing name is a symbolic link: its size and time are those of the file it points to
    // (targetSize -1 when that file is missing).
    bool targetIsLink = false;
    std::string linkTarget;
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
    Skipped,    // its new name exists and the user kept it, or it is the file itself
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

// What the decisions made before the first change were for one item.
enum class ItemDecision {
    Go,         // to be moved or copied to a free name
    Replace,    // may replace what is at its new path (the user said yes)
    Unchanged,  // nothing to do
    Skipped,    // left as it is: the user kept the file at its new name
    Failed,     // failed its look (missing, unreadable, a folder to copy)
};

// Told of every change a batch makes, in order, so that the journal and the disk together say
// where every file is after a crash at any point.
class BatchRecorder {
  public:
    virtual ~BatchRecorder() = default;
    // Before the first change: the items, the identity of each one's file (unknown where its
    // look failed) and what was decided for it. "" goes on; a text refuses the batch untouched.
    virtual std::string Begin(BatchMode mode, const std::vector<BatchItem>& items,
                              const std::vector<FileIdentity>& sources,
                              const std::vector<ItemDecision>& decisions) = 0;
    // The item's copy (or its file moved to another file system) is complete under its
    // temporary name and is about to take its new name.
    virtual void Placing(size_t item, const FileIdentity& written) = 0;
    virtual void Done(size_t item) = 0;
    // One chain, cycle or single item is over.
    virtual void GroupDone(bool cycle) = 0;
    // The batch is over; called only after a Begin that went on.
    virtual void Finish(const BatchResult& result) = 0;
};

// How the reason of a dry run's item begins when the batch would ask before replacing a file.
inline constexpr const char* kWouldReplace = "would ask before replacing ";

struct BatchOptions {
    bool dryRun = false;  // plan and look only: nothing is asked or touched
    // Called before every change on disk with the item and a word for the step ("move", "to
    // temporary", "from temporary", "copy", "copy data" (a copy written, not yet closed),
    // "place", "delete source", "undo"). Returning an errno value fails that step as if the
    // system had refused it; 0 goes on. Tests use it to fail a batch part way, to change the
    // disk under the operation, or to end the process at a chosen step.
    std::function<int(size_t item, std::string_view step)> beforeStep;
    // The journal, or none.
    BatchRecorder* recorder = nullptr;
    // Makes the temporary names of the items that have none: "" for a random tag.
    std::string temporaryTag;
};

// Runs the whole batch. progress gets the number of items as its maximum and the number handled
// so far, never a file name; ShouldStop is polled between steps: a stop ends a chain where it
// is, and finishes or turns back the cycle in hand, whichever is shorter.
BatchResult RunBatch(BatchMode mode, const std::vector<BatchItem>& items, BatchQuestions& questions,
                     ProgressObserver& progress = NoProgress(), const BatchOptions& options = {});

// One line for the user: how many were done, and why the others were not.
std::string DescribeResult(BatchMode mode, const std::vector<BatchItem>& items,
                           const BatchResult& result, size_t maxListed = 10);

// True when the result holds an item that failed (not only ones skipped or not run).
bool AnyFailed(const BatchResult& result);

}  // namespace morv::renamer
