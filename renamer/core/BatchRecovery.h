#pragma once

#include <optional>
#include <string>
#include <vector>

#include "renamer/core/BatchJournal.h"
#include "renamer/core/BatchOperation.h"

// Batches with a journal, and what the journals are for: putting right a batch that a crash
// stopped part way, and Undo Last Batch, also after a restart.
//
// Both work the same way. The journal says which items the batch touches and how to know each
// one's file (device and inode) and the names it can have: the old one, the new one, and its
// temporary name. A look at those names finds every file; then the files that are not where
// they should be are renamed there by the batch operation itself (so chains and cycles go in a
// safe order, and that run is recorded in the same journal), partial copies are deleted, and
// copies that are to go are deleted only while each is still the file the batch wrote. A name
// that another file has taken in the meantime is never replaced: that item is left, and said so.
namespace morv::renamer {

// Runs a batch with a journal in folder. The batch is refused (a problem, nothing touched) when
// the journal cannot be written. Afterwards only the newest kKeptBatches batches are kept.
BatchResult RunJournaledBatch(const std::string& folder, BatchMode mode,
                              const std::vector<BatchItem>& items, BatchQuestions& questions,
                              ProgressObserver& progress = NoProgress(), BatchOptions options = {});

// Keeps the newest kKeptBatches journals of folder; older complete ones are deleted.
void PruneJournals(const std::string& folder);

// The batches, and undos, of folder that a crash or a kill stopped part way, newest first.
// Journals of batches that never began are deleted on the way; journals that a live process
// works on are left out.
std::vector<JournalState> FindInterruptedBatches(const std::string& folder);

// The newest batch of folder that Undo Last Batch turns back: one that ended and left at least
// one file at its new name or one copy.
std::optional<JournalState> FindLastBatch(const std::string& folder);

// Where the file of one item is now. A page the batch rewrote is a new file: it is known by its
// bytes (before or after) where its identity no longer fits.
enum class Place {
    Old,        // at its old name (a copy: not made)
    New,        // at its new name (a copy: made, and still the file the batch wrote)
    Temporary,  // at its temporary name
    Both,       // at both names: a move across disks that had not deleted its source yet
    Nowhere,    // at none of them: moved or deleted by someone else
};

struct ItemPlace {
    Place place = Place::Nowhere;
    std::string temporary;            // its path, for Place::Temporary
    std::vector<std::string> strays;  // temporary names of the item holding a partial copy
    bool unchanged = false;           // a copy at its new name: not written since
};

std::vector<ItemPlace> LocateItems(const JournalState& state);

enum class RecoverWay { TurnBack, Finish };

struct SettleReport {
    std::string refused;             // nothing was touched, and why
    size_t moved = 0;                // files given a name (back or on)
    size_t removed = 0;              // copies deleted
    size_t pages = 0;                // pages given their bytes back (or on)
    std::vector<std::string> left;   // left for the user, and why
    std::vector<std::string> would;  // a dry run: what would be done
    bool stopped = false;            // a stop came first; the journal still says interrupted

    bool ok() const { return refused.empty() && left.empty() && !stopped; }
};

// Puts right an interrupted batch: turned back, every file gets the name it had before the
// batch (and no copy is left) and every page its bytes before; finished, every file gets its new
// name and every page its new bytes. A page that holds neither is never written: it is listed. For
// an interrupted undo, turning back restores the names the batch gave, finishing completes the
// undo.
SettleReport RecoverBatch(const JournalState& state, RecoverWay way,
                          ProgressObserver& progress = NoProgress(), BatchOptions options = {});

// Turns a completed batch back: every file it renamed gets its old name again, every copy it made
// is deleted, every page it rewrote gets its bytes back. Refused, touching nothing, when a renamed
// file is no longer at its new name or its old name is taken; a copy written since the batch is
// kept and listed, and so is a page changed since (its links are left as they are).
SettleReport UndoBatch(const JournalState& state, bool dryRun,
                       ProgressObserver& progress = NoProgress(), BatchOptions options = {});

// Turns back the batch that this process has just run with journal and that did not run to
// its end, as RecoverBatch does, recorded in the same journal.
SettleReport TurnBackOwnBatch(BatchJournal& journal, ProgressObserver& progress = NoProgress(),
                              BatchOptions options = {});

// "the batch of 2026-05-04 14:03 that renamed 12 files"
std::string DescribeBatch(const JournalState& state);
// What an interrupted batch or undo left, for the question or the message about it.
std::string DescribeInterrupted(const JournalState& state);
// The outcome of a recovery or an undo, in lines.
std::string DescribeSettle(const SettleReport& report, std::string_view what,
                           size_t maxListed = 10);

}  // namespace morv::renamer
