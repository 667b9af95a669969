#include "renamer/core/SiteBatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"

namespace morv::renamer {

namespace {

const ReadOptions kPageRead{kMaxDocumentSize, false, {}};

// The journal's records of the plan's pages.
std::string PageRecords(const LinkUpdatePlan& plan, const std::vector<size_t>& movedItems) {
    std::string records;
    JournalPage page;
    for (size_t p = 0; p < plan.pages.size(); ++p) {
        const PageEdits& planned = plan.pages[p];
        page.item = planned.move == SIZE_MAX ? kNoItem : movedItems[planned.move];
        page.copy = planned.copy;
        page.path = planned.path;
        page.newPath = planned.newPath;
        page.before = planned.identity;
        page.after = planned.after;
        AppendPageRecords(records, p, page, planned.edits);
    }
    return records;
}

// The recorder of a batch with pages: the journal, after two checks that refuse the batch
// untouched: every file of the batch goes, and every page still holds the bytes planned from.
// The pages' records (megabytes for a large site) are made on a thread of their own meanwhile.
class SiteRecorder : public BatchRecorder {
  public:
    SiteRecorder(BatchJournal& journal, const LinkUpdatePlan& plan,
                 const std::vector<size_t>& movedItems)
        : journal_(journal),
          plan_(plan),
          // Made when Begin asks for them when no thread can be had.
          records_(std::async(std::launch::async | std::launch::deferred, PageRecords,
                              std::cref(plan), std::cref(movedItems))) {}

    std::string Begin(BatchMode mode, const std::vector<BatchItem>& items,
                      const std::vector<FileIdentity>& sources,
                      const std::vector<ItemDecision>& decisions) override {
        std::string refused;
        for (size_t i = 0; i < items.size(); ++i) {
            if (decisions[i] == ItemDecision::Skipped)
                (refused += '\n') += Quoted(TargetPath(items[i])) + " exists and is to be kept";
            if (decisions[i] == ItemDecision::Failed) {
                struct stat st {};
                const int error = lstat(items[i].source.c_str(), &st) == 0 ? 0 : errno;
                (refused += '\n') += Quoted(items[i].source);
                refused += error != 0 ? ": " + GetAPIErrorText(error) : " cannot be renamed";
            }
        }
        if (!refused.empty())
            return "Links are kept only when every file of the batch gets its new name:" + refused;
        for (const PageEdits& planned : plan_.pages) {
            // Its size and time; the bytes are checked again just before it is written.
            struct stat st {};
            if (stat(planned.path.c_str(), &st) != 0 || st.st_size != planned.identity.size ||
                ModifiedTime(st) != planned.identity.modified)
                return "The page " + Quoted(planned.path) +
                       " has changed since its links were planned: preview again";
        }
        journal_.SetPageRecords(records_.get());
        return journal_.Begin(mode, items, sources, decisions);
    }
    void Placing(size_t item, const FileIdentity& written) override {
        journal_.Placing(item, written);
    }
    void Done(size_t item) override { journal_.Done(item); }
    void GroupDone(bool cycle) override { journal_.GroupDone(cycle); }
    void Finish(const BatchResult& result) override { journal_.Finish(result); }

  private:
    BatchJournal& journal_;
    const LinkUpdatePlan& plan_;
    std::future<std::string> records_;
};

// Why a batch with pages cannot keep its renames: the first item that was not done.
std::string WhyTurnedBack(const std::vector<BatchItem>& items, const BatchResult& result) {
    if (result.cancelled) return "it was stopped";
    for (size_t i = 0; i < items.size(); ++i) {
        const ItemOutcome& outcome = result.items[i];
        if (BatchResult::IsDone(outcome.state)) continue;
        return Quoted(GetFileName(items[i].source)) + " \xE2\x86\x92 " + Quoted(items[i].newName) +
               ": " + outcome.reason;
    }
    return "not every file was renamed";
}

// Writes the planned pages at their places after the batch; a page changed since is left. Two
// threads write them: the pages are files of their own, and most of a page's write is the
// system's work. Two pages that are one file (links) are never written at once: the one whose
// turn comes second waits for the end, and is then read again (finding the first one's bytes,
// it is left as changed, as it would be when written one after the other).
void WritePages(const LinkUpdatePlan& plan, const std::vector<size_t>& movedItems,
                BatchJournal& journal, ProgressObserver& progress, const BatchOptions& options,
                SiteBatchResult& out) {
    const size_t count = plan.pages.size();
    progress.SetMax(long(count));
    std::vector<std::string> left(count);  // why each page was left, "" when written
    std::vector<size_t> waiting;           // pages of a file that the other thread has
    std::set<std::pair<dev_t, ino_t>> files;
    std::mutex recording;  // the journal, left, waiting and files
    std::mutex hooking;    // a test's step hook runs on one thread at a time
    BatchOptions steps = options;
    if (options.beforeStep)
        steps.beforeStep = [&](size_t page, std::string_view step) {
            std::lock_guard<std::mutex> lock(hooking);
            return options.beforeStep(page, step);
        };
    std::atomic<size_t> next{0};
    std::atomic<long> finished{0};
    // Writes page p, or hands it to the wait list; first: its first turn.
    auto writePage = [&](size_t p, NewPageMaker& maker, bool first) {
        const PageEdits& page = plan.pages[p];
        std::string why;
        if (const int error = first && steps.beforeStep ? steps.beforeStep(p, "page") : 0) {
            why = GetAPIErrorText(error);
        } else {
            struct stat opened {};
            // The page's old file stays open until its new one has taken its place: the old
            // file goes when this descriptor is closed, and not in the rename, which would free
            // its blocks while it holds the folder that the other thread writes in too.
            UniqueFd old;
            Result<std::string_view> bytes = maker.Make(page, page.newPath, &opened, &old);
            if (!bytes) {
                why = bytes.error().number == kPageChangedError
                          ? "it has changed since its links were planned, so they were left as "
                            "they are"
                          : bytes.error().description;
            } else {
                if (first) {
                    std::lock_guard<std::mutex> lock(recording);
                    if (!files.emplace(opened.st_dev, opened.st_ino).second) {
                        waiting.push_back(p);
                        return;
                    }
                }
                if (Status written = WritePage(page.newPath, bytes.value(), p, steps, false);
                    !written)
                    why = written.error().description;
            }
        }
        // A renamed page is a new file now: the item's file from here on.
        const FileIdentity placed =
            why.empty() && page.move != SIZE_MAX ? LookAtPath(page.newPath) : FileIdentity{};
        std::lock_guard<std::mutex> lock(recording);
        if (!why.empty()) {
            left[p] = std::move(why);
            journal.PageUnwritten(p);
        } else if (page.move != SIZE_MAX) {
            journal.Placing(movedItems[page.move], placed);
        }
        ++finished;
    };
    std::thread helper;
    try {
        if (count > 1)
            helper = std::thread([&] {
                NewPageMaker maker;
                for (size_t p = next++; p < count; p = next++)
                    writePage(p, maker, true);
            });
    } catch (const std::system_error&) {
        // No second thread: this one writes them all.
    }
    NewPageMaker maker;
    for (size_t p = next++; p < count; p = next++) {
        // A stop is not taken here: the pages that are left take less time than turning back.
        progress.SetValue(finished);
        (void)progress.ShouldStop();
        writePage(p, maker, true);
    }
    if (helper.joinable()) helper.join();
    std::sort(waiting.begin(), waiting.end());
    for (size_t p : waiting) {
        progress.SetValue(finished);
        writePage(p, maker, false);
    }
    progress.SetValue(long(count));
    for (size_t p = 0; p < count; ++p) {
        if (!left[p].empty()) {
            out.pagesLeft.push_back(Quoted(plan.pages[p].newPath) + ": " + left[p]);
            continue;
        }
        ++out.pagesWritten;
        out.references += plan.pages[p].edits.size();
    }
}

}  // namespace

std::vector<size_t> MovedItems(const std::vector<BatchItem>& items) {
    std::vector<size_t> moved;
    for (size_t i = 0; i < items.size(); ++i)
        if (TargetPath(items[i]) != items[i].source) moved.push_back(i);
    return moved;
}

Result<LinkUpdatePlan> PlanSiteLinks(BatchMode mode, const std::vector<BatchItem>& items,
                                     const SiteLinks& site, ProgressObserver& progress) {
    LinkUpdateRequest request;
    request.folder = site.folder;
    request.addresses = site.addresses;
    request.copy = mode == BatchMode::Copy;
    for (size_t i : MovedItems(items))
        request.moves.push_back({items[i].source, TargetPath(items[i])});
    return PlanLinkUpdate(request, progress);
}

SiteBatchResult RunSiteBatch(const std::string& journalFolder, BatchMode mode,
                             const std::vector<BatchItem>& items, const LinkUpdatePlan& plan,
                             BatchQuestions& questions, ProgressObserver& progress,
                             BatchOptions options) {
    SiteBatchResult out;
    if (plan.pages.empty() || options.dryRun) {
        out.batch = RunJournaledBatch(journalFolder, mode, items, questions, progress, options);
        return out;
    }
    Result<std::unique_ptr<BatchJournal>> created = BatchJournal::Create(journalFolder);
    if (!created) {
        out.batch.items.resize(items.size());
        out.batch.problems.push_back(created.error().description);
        return out;
    }
    BatchJournal& journal = *created.value();
    const std::vector<size_t> moved = MovedItems(items);
    SiteRecorder recorder(journal, plan, moved);
    options.recorder = &recorder;
    options.temporaryTag = journal.tag();
    out.batch = RunBatch(mode, items, questions, progress, options);
    if (!journal.Began()) {
        journal.Remove();
        return out;
    }
    bool complete = out.batch.problems.empty() && !out.batch.cancelled;
    for (const ItemOutcome& item : out.batch.items)
        complete = complete && BatchResult::IsDone(item.state);
    if (complete) {
        WritePages(plan, moved, journal, progress, options, out);
        journal.End(false);
    } else {
        out.turnedBack = WhyTurnedBack(items, out.batch);
        options.recorder = nullptr;
        // Without a stop: a stop is what may have brought it here.
        out.turnBack = TurnBackOwnBatch(journal, NoProgress(), options);
    }
    created.value().reset();
    PruneJournals(journalFolder);
    return out;
}

std::string DescribeLinkCounts(const LinkUpdateCounts& counts) {
    return CountOf(size_t(counts.references), "reference", "references") + " in " +
           CountOf(size_t(counts.pagesChanged), "page", "pages");
}

std::string DescribeSiteResult(BatchMode mode, const std::vector<BatchItem>& items,
                               const SiteBatchResult& result, size_t maxListed) {
    const char* verb = mode == BatchMode::Move ? "renamed" : "copied";
    if (!result.turnedBack.empty()) {
        std::string text = std::string("Nothing was ") + verb + ", because " + result.turnedBack +
                           ": with links kept, every file of the batch gets its new name or "
                           "none does, so the batch was turned back.";
        if (!result.turnBack.ok()) {
            text += '\n';
            text += DescribeSettle(result.turnBack, "Turned back");
        }
        return text;
    }
    std::string text = DescribeResult(mode, items, result.batch, maxListed);
    if (result.pagesWritten > 0) {
        text += ' ';
        text += CountOf(result.references, "reference", "references");
        text += " in ";
        text += CountOf(result.pagesWritten, "page was", "pages were");
        text += " rewritten.";
    }
    if (!result.pagesLeft.empty()) {
        text += "\nPages whose links were not rewritten:";
        for (size_t k = 0; k < result.pagesLeft.size() && k < maxListed; ++k)
            (text += '\n') += result.pagesLeft[k];
        if (result.pagesLeft.size() > maxListed)
            text += "\n... and " + std::to_string(result.pagesLeft.size() - maxListed) + " more";
    }
    return text;
}

PageLook LookAtPage(const std::string& path, const JournalPage& page) {
    PageLook look;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return look;
    look.state = PageBytes::Other;
    if (!S_ISREG(st.st_mode) || (st.st_size != page.before.size && st.st_size != page.after.size))
        return look;
    Result<std::string> bytes = ReadFile(path, kPageRead);
    if (!bytes) return look;
    const PageIdentity identity = IdentifyBytes(bytes.value());
    if (identity.SameBytes(page.after))
        look.state = PageBytes::After;
    else if (identity.SameBytes(page.before))
        look.state = PageBytes::Before;
    else
        return look;
    look.bytes = std::move(bytes.value());
    return look;
}

Result<std::string> OtherPageBytes(const JournalPage& page, const PageLook& look) {
    const bool after = look.state == PageBytes::After;
    Result<std::string> bytes =
        ApplyLinkEdits(look.bytes, after ? ReversedLinkEdits(page.edits) : page.edits);
    if (bytes && !IdentifyBytes(bytes.value()).SameBytes(after ? page.before : page.after))
        return Error{EINVAL, "", "Its links cannot be put back exactly"};
    return bytes;
}

Status WritePage(const std::string& path, std::string_view bytes, size_t page,
                 const BatchOptions& options, bool sync) {
    WriteOptions write;
    write.sync = sync;
    if (options.beforeStep)
        write.beforeStep = [&options, page](std::string_view step) {
            return options.beforeStep(page, "page " + std::string(step));
        };
    return WriteWholeFile(path, bytes, write);
}

void CutWrites::Remove(const std::string& path, const JournalPage& page, const PageLook& look) {
    if (look.state != PageBytes::Before && look.state != PageBytes::After) return;
    const std::string folder = FolderOf(path);
    auto [listed, fresh] = hidden_.try_emplace(folder);
    if (fresh) {
        if (DIR* dir = opendir(folder.c_str())) {
            while (const struct dirent* entry = readdir(dir)) {
                const std::string_view name = entry->d_name;
                if (name[0] == '.' && name != "." && name != "..")
                    listed->second.emplace_back(name);
            }
            closedir(dir);
        }
    }
    const std::string fileName = GetFileName(path);
    Result<std::string> other = Error{};
    for (const std::string& name : listed->second) {
        if (!IsNewFileNameFor(name, fileName)) continue;
        const std::string stray = JoinPath(folder, name);
        struct stat st {};
        if (lstat(stray.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        Result<std::string> bytes = ReadFile(stray, kPageRead);
        if (!bytes) continue;
        auto startOf = [&bytes](std::string_view whole) {
            return bytes.value().size() <= whole.size() &&
                   whole.substr(0, bytes.value().size()) == bytes.value();
        };
        if (!other.ok()) other = OtherPageBytes(page, look);
        if (startOf(look.bytes) || (other && startOf(other.value()))) unlink(stray.c_str());
    }
}

}  // namespace morv::renamer
