#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "helpers/core/Result.h"
#include "linkcheck/core/LinkUpdate.h"
#include "renamer/core/BatchJournal.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/BatchRecovery.h"

// Batches that keep the links of a site: the pages of a site folder that name a file of the
// batch (and the batch's own pages that move to another folder) are rewritten to reach the files
// under their new names.
//
// The order of the steps, each one recoverable after a crash:
//  1. Plan (read only): the link plan of the batch (PlanSiteLinks) and the batch's own plan.
//  2. Ask: the batch's questions. A batch with pages renames every file or none, so a file the
//     user keeps (or one that fails its look) refuses the batch, untouched.
//  3. Record: every page is read again; one that changed since it was planned refuses the
//     batch, untouched. The journal gets the items and the pages (their bytes before and after,
//     by size and hash, and their edits), synced, before the first change.
//  4. Rename (or copy) the files, recorded as any batch. A failure or a stop turns every rename
//     back, since the pages were planned for the whole batch; no page has been written yet.
//  5. Write each page at its place after the batch (a copy: the copy) through the file layer,
//     atomically, after checking that its bytes are still those planned from; a page changed
//     meanwhile is left and listed. A renamed page's new file is recorded as the item's.
//  6. The end record.
// Recovery and undo find each file by its identity, and each page by the hash of its bytes
// (before or after), so a crash between any two steps is put right in either direction.
namespace morv::renamer {

// The site whose links a batch keeps; no folder, no links kept.
struct SiteLinks {
    std::string folder;
    std::vector<std::string> addresses;  // the site's own addresses ("http://www.example.org/")
    bool on() const { return !folder.empty(); }
};

// The items that change their path, in order: the moves of the link plan, one per such item.
std::vector<size_t> MovedItems(const std::vector<BatchItem>& items);

// The references that the batch would break, and their new texts (nothing is written).
Result<LinkUpdatePlan> PlanSiteLinks(BatchMode mode, const std::vector<BatchItem>& items,
                                     const SiteLinks& site,
                                     ProgressObserver& progress = NoProgress());

struct SiteBatchResult {
    BatchResult batch;
    std::string turnedBack;  // why the renames were turned back ("" when they were not)
    SettleReport turnBack;   // what turning them back left
    size_t pagesWritten = 0;
    size_t references = 0;               // rewritten in those pages
    std::vector<std::string> pagesLeft;  // pages not rewritten, and why

    bool ok() const { return batch.ok() && turnedBack.empty() && pagesLeft.empty(); }
};

// Runs the batch with a journal in journalFolder and rewrites the pages of plan (made by
// PlanSiteLinks for the same items). Without pages to rewrite it is RunJournaledBatch.
SiteBatchResult RunSiteBatch(const std::string& journalFolder, BatchMode mode,
                             const std::vector<BatchItem>& items, const LinkUpdatePlan& plan,
                             BatchQuestions& questions, ProgressObserver& progress = NoProgress(),
                             BatchOptions options = {});

// What the batch did, for the user: DescribeResult, then the pages.
std::string DescribeSiteResult(BatchMode mode, const std::vector<BatchItem>& items,
                               const SiteBatchResult& result, size_t maxListed = 10);

// "12 references in 5 pages" (for a preview: "will change").
std::string DescribeLinkCounts(const LinkUpdateCounts& counts);

// ----- pages of a journal, for recovery and undo -----

// What a page's file holds, told by its size and hash.
enum class PageBytes { Before, After, Other, Missing };

struct PageLook {
    PageBytes state = PageBytes::Missing;
    std::string bytes;  // read when its size was one of the two
};
PageLook LookAtPage(const std::string& path, const JournalPage& page);

// The page's bytes in the other state: after from before, or before from after (checked by its
// hash). Fails when they cannot be made.
Result<std::string> OtherPageBytes(const JournalPage& page, const PageLook& look);

// Writes a page through the file layer, atomically; the step hook of options hears "page write",
// "page sync" and "page rename" with the page's index. Batches write their pages without a sync
// each (sync false), which would cost a wait for the disk per page (WriteOptions::sync).
Status WritePage(const std::string& path, std::string_view bytes, size_t page,
                 const BatchOptions& options, bool sync = true);

// What writes of pages that a crash cut short left beside them: hidden files named as the file
// layer names its new files. Each folder is read once.
class CutWrites {
  public:
    // Deletes those beside path that hold the first bytes of the page before or after (look
    // holds one of the two).
    void Remove(const std::string& path, const JournalPage& page, const PageLook& look);

  private:
    std::unordered_map<std::string, std::vector<std::string>> hidden_;  // folder: names
};

}  // namespace morv::renamer
