#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Result.h"
#include "linkcheck/core/LinkUpdate.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/JournalFile.h"

// The batch journal: one file per batch in the journal folder. Before its first change a batch
// writes its plan there (every item with the identity of its file and its temporary name),
// synced to the disk, and then its progress as it goes. The journal and the disk together say
// where every file of the batch is after a crash at any point, which is what recovery and Undo
// Last Batch work from.
//
// The format is text, one record a line, fields separated by tabs; a field escapes "\", tab,
// line breaks and the other control bytes (\\, \t, \n, \r, \xHH), so any path (bytes except
// NUL) fits. The first line names the format and its version; readers skip records they do not
// know, so later versions can add records without breaking older journals. A last line without
// its line break was cut by a crash and is left out.
//
//   trelo-journal  1|2
//   batch   TAG  move|copy  STARTED  COUNT
//   item    I  DECISION  IDENTITY  SOURCE  TARGET_FOLDER  NEW_NAME  TEMPORARY
//   page    P  ITEM|-  same|copy  BEFORE  AFTER  PATH  NEW_PATH
//   edit    P  OFFSET  OLD  NEW                 one rewritten reference of page P
//   begin                                   the plan is complete; changes may follow
//   placing I  IDENTITY                     a file the batch wrote for item I takes its name
//   done    I / back  I                     item I is at its new name / at its old one again
//   unwritten P                             page P was left as it was (and said so)
//   end     complete|stopped                the batch ran to its end
//   recover back|finish / undo              a recovery / an undo begins
//   settled                                 the recovery or undo is over
// IDENTITY is five numbers: device, inode, size, modification and birth times (nanoseconds).
//
// A batch that keeps the links of a site also rewrites pages: the page records name each one
// (ITEM: the item whose file it is, if any; copy: only the copy at NEW_PATH is rewritten), the
// size and XXH3 hash of its bytes before and after (BEFORE and AFTER, two fields each), and its
// edits, offsets into the bytes before. The bytes after are the bytes before with the edits
// made, and the bytes before are the bytes after with the edits reversed, so a page is found in
// either state by its hash and brought to the other without a copy of it. Such a journal is of
// version 2, which older readers refuse rather than put back the names without the pages.
namespace morv::renamer {

inline constexpr const char* kJournalMagic = "trelo-journal";
inline constexpr int kJournalVersion = 2;
// The version of a journal without pages, which older readers read too.
inline constexpr int kJournalVersionNoPages = 1;
// How many completed batches are kept for Undo Last Batch.
inline constexpr size_t kKeptBatches = 10;
// Progress is synced to the disk at least every this many steps.
inline constexpr size_t kSyncEverySteps = 256;

// Where the journals live: $XDG_STATE_HOME/trellin, by default ~/.local/state/trellin.
std::string JournalFolder();

std::string EscapeField(std::string_view field);
void AppendEscapedField(std::string& out, std::string_view field);
// False when the text holds an escape that is not one.
bool UnescapeField(std::string_view text, std::string& field);

struct JournalItem {
    BatchItem item;
    FileIdentity source;  // the file as the batch found it
    ItemDecision decision = ItemDecision::Go;
    std::vector<FileIdentity> written;  // copies (or moves across disks) the batch wrote for it
    bool done = false;                  // at its new name, as far as the records go

    // Whether the batch moves or copies it at all.
    bool Acts() const { return decision == ItemDecision::Go || decision == ItemDecision::Replace; }
};

// No item: a page that the batch does not rename.
inline constexpr size_t kNoItem = size_t(-1);

// A page whose links the batch rewrites.
struct JournalPage {
    size_t item = kNoItem;        // the item whose file the page is
    bool copy = false;            // only the item's copy, at newPath, is rewritten
    std::string path;             // where it is before the batch
    std::string newPath;          // where it is after the batch (path when it is not renamed)
    PageIdentity before, after;   // size and hash of its bytes (the time is not kept)
    std::vector<LinkEdit> edits;  // offsets into the bytes before
    bool unwritten = false;       // the batch left it as it was
};

struct JournalState {
    std::string path;
    int version = kJournalVersion;
    std::string tag;  // makes the temporary names of its items
    BatchMode mode = BatchMode::Move;
    int64_t started = 0;  // seconds since 1970
    std::vector<JournalItem> items;
    std::vector<JournalPage> pages;
    bool begun = false;    // the plan is complete: files may have been changed
    bool ended = false;    // the batch, or the last recovery of it, ran to its end
    bool stopped = false;  // the batch ended early
    bool undoing = false;  // an undo began and did not end

    // Changes were made and neither the batch nor an undo of it ended.
    bool Interrupted() const { return begun && (!ended || undoing); }
    size_t DoneCount() const;
};

// Reads a journal. Fails on a file that is not one, or one of a newer version.
Result<JournalState> ReadJournal(const std::string& path);
Result<JournalState> ParseJournal(std::string_view text);

// The journals of a folder, oldest first.
std::vector<std::string> ListJournals(const std::string& folder);

// Writes one journal: the recorder of a batch, and of the recoveries and undos that continue it.
class BatchJournal : public BatchRecorder {
  public:
    // A new journal in folder (made when missing), locked while the object lives.
    static Result<std::unique_ptr<BatchJournal>> Create(const std::string& folder);
    // An existing journal, to continue; fails when a batch of a live process works on it.
    static Result<std::unique_ptr<BatchJournal>> Continue(const JournalState& state);

    const std::string& path() const { return path_; }
    const std::string& tag() const { return tag_; }
    // The items of the batches run from now on, as the journal's items.
    void MapItems(std::vector<size_t> runToJournal) { map_ = std::move(runToJournal); }
    // The records of the pages the batch rewrites (AppendPageRecords), written with the plan by
    // Begin. With pages, Finish leaves the batch open: the pages are written after the renames,
    // and End closes it.
    void SetPageRecords(std::string records) { pageRecords_ = std::move(records); }
    // The batch is over (a batch with pages).
    void End(bool stopped);
    // From now on the journal records a recovery of its own batch, which this process turns
    // back itself.
    void ContinueHere();
    // Page P was not written; recorded with the next records.
    void PageUnwritten(size_t page);

    std::string Begin(BatchMode mode, const std::vector<BatchItem>& items,
                      const std::vector<FileIdentity>& sources,
                      const std::vector<ItemDecision>& decisions) override;
    void Placing(size_t item, const FileIdentity& written) override;
    void Done(size_t item) override;
    void GroupDone(bool cycle) override;
    void Finish(const BatchResult& result) override;

    bool Began() const { return began_; }
    // Writes records of its own ("settled", "done 4") and syncs them: 0 or an errno value.
    int Write(const std::vector<std::string>& records);
    // Deletes the journal: its batch changed nothing, or nothing of it is left to undo.
    void Remove();

  private:
    BatchJournal() = default;
    size_t Mapped(size_t item) const { return item < map_.size() ? map_[item] : item; }
    void Flush(bool sync);
    // Progress on its way to the disk while the batch goes on.
    void FlushAndSyncSoon();

    JournalFile file_;
    std::string path_, folder_, tag_;
    bool continuing_ = false;
    bool began_ = false;
    std::string pageRecords_;  // the page and edit records of the plan
    std::vector<size_t> map_;
    std::string pending_;  // records written to the kernel at the next flush
    size_t steps_ = 0;     // since the last sync
    size_t done_ = 0;
};

// One record: the fields escaped, separated by tabs, and a line break.
std::string JournalRecord(std::initializer_list<std::string_view> fields);
void AppendJournalRecord(std::string& out, std::initializer_list<std::string_view> fields);
// The records of the batch's page number index and its edits (those of page are not looked at).
void AppendPageRecords(std::string& out, size_t index, const JournalPage& page,
                       const std::vector<LinkEdit>& edits);

}  // namespace morv::renamer
