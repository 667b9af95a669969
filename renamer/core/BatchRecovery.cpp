#include "renamer/core/BatchRecovery.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <unordered_set>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "renamer/core/SiteBatch.h"

namespace morv::renamer {

namespace {

std::string Files(size_t count, const char* one = "file", const char* many = "files") {
    return CountOf(count, one, many);
}

std::string When(int64_t seconds) {
    const std::time_t time = std::time_t(seconds);
    struct tm local {};
    char text[32] = "?";
    if (localtime_r(&time, &local) != nullptr)
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// The pages whose links the batch rewrites (or rewrote).
size_t RewrittenPages(const JournalState& state) {
    size_t count = 0;
    for (const JournalPage& page : state.pages)
        count += !page.unwritten;
    return count;
}

// True when the journal's last record says that its batch, or the last recovery or undo of it,
// ran to its end: such a journal is not read whole when looking for interrupted batches.
bool EndsComplete(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char tail[64];
    const off_t size = lseek(fd, 0, SEEK_END);
    const off_t from = size > off_t(sizeof tail) ? size - off_t(sizeof tail) : 0;
    const ssize_t got = size > 0 ? pread(fd, tail, size_t(size - from), from) : 0;
    close(fd);
    if (got <= 0 || tail[got - 1] != '\n') return false;
    std::string_view text(tail, size_t(got) - 1);
    if (size_t line = text.rfind('\n'); line != std::string_view::npos)
        text.remove_prefix(line + 1);
    else if (from > 0)
        return false;  // a record longer than the tail: not one of the two
    return text == "settled" || text.rfind("end\t", 0) == 0;
}

enum class Goal { Old, New };

// Answers the questions of the renames that settle a batch: a file is replaced only where the
// batch itself was allowed to replace it; a missing folder is made again.
class SettleQuestions : public BatchQuestions {
  public:
    explicit SettleQuestions(std::unordered_set<std::string> mayReplace)
        : mayReplace_(std::move(mayReplace)) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override {
        return mayReplace_.contains(question.target) ? ReplaceAnswer::Yes : ReplaceAnswer::No;
    }
    bool AskCreateFolder(const std::string&) override { return true; }

  private:
    std::unordered_set<std::string> mayReplace_;
};

// Brings the files of the items that take part to their old or their new names. With no
// journal it is a dry run: it says what it would do in report.would. strict (an undo) deletes
// only copies that were not written since the batch, and lists the others.
SettleReport Settle(const JournalState& state, Goal goal, const std::vector<bool>& part,
                    const std::vector<ItemPlace>& places, BatchJournal* journal, bool strict,
                    ProgressObserver& progress, BatchOptions options) {
    SettleReport report;
    const bool dry = journal == nullptr;
    std::vector<BatchItem> run;
    std::vector<size_t> map;
    std::unordered_set<std::string> mayReplace;
    auto remove = [&](const std::string& path, const std::string& what) {
        if (dry) {
            report.would.push_back("delete " + what + " " + Quoted(path));
            return true;
        }
        return unlink(path.c_str()) == 0 || errno == ENOENT;
    };

    for (size_t i = 0; i < state.items.size(); ++i) {
        if (!part[i]) continue;
        const JournalItem& it = state.items[i];
        const ItemPlace& place = places[i];
        const std::string& source = it.item.source;
        const std::string target = TargetPath(it.item);
        auto add = [&](const std::string& from, const std::string& to) {
            run.push_back({from, FolderOf(to), GetFileName(to), it.item.temporaryName});
            map.push_back(i);
            if (goal == Goal::New && it.decision == ItemDecision::Replace) mayReplace.insert(to);
        };
        if (place.place != Place::Nowhere)
            for (const std::string& stray : place.strays)
                remove(stray, "the partial copy");
        if (state.mode == BatchMode::Copy) {
            if (goal == Goal::New && place.place == Place::Old) {
                add(source, target);
            } else if (goal == Goal::Old && place.place == Place::New) {
                if (strict && !place.unchanged)
                    report.left.push_back(Quoted(target) +
                                          " was written since the batch copied it: kept");
                else if (remove(target, "the copy") && !dry)
                    ++report.removed;
            } else if (goal == Goal::Old && strict) {
                report.left.push_back(Quoted(target) +
                                      " is no longer the copy the batch made: left as it is");
            }
            continue;
        }
        switch (place.place) {
            case Place::Old:
                if (goal == Goal::New) add(source, target);
                break;
            case Place::New:
                if (goal == Goal::Old) add(target, source);
                break;
            case Place::Temporary:
                add(place.temporary, goal == Goal::Old ? source : target);
                break;
            case Place::Both: {
                // A file that the batch put in place of another name of itself had both names
                // before the batch.
                if (goal == Goal::Old && it.decision == ItemDecision::Replace &&
                    it.source.SameFile(LookAtPath(target)))
                    break;
                if (remove(goal == Goal::Old ? target : source, "the second name") && !dry)
                    ++report.moved;
                break;
            }
            case Place::Nowhere:
                report.left.push_back(Quoted(GetFileName(source)) + " is at none of its names (" +
                                      Quoted(source) + ", " + Quoted(target) + "): left as it is");
                break;
        }
    }
    if (run.empty()) return report;

    SettleQuestions questions(std::move(mayReplace));
    options.recorder = journal;
    options.temporaryTag = state.tag;
    options.dryRun = dry;
    if (journal != nullptr) journal->MapItems(map);
    const BatchResult result = RunBatch(state.mode, run, questions, progress, options);
    for (const std::string& problem : result.problems)
        report.left.push_back(problem);
    if (!result.problems.empty()) return report;
    for (size_t k = 0; k < run.size(); ++k) {
        const ItemOutcome& outcome = result.items[k];
        const std::string step =
            Quoted(run[k].source) + " \xE2\x86\x92 " + Quoted(TargetPath(run[k]));
        if (dry) {
            const bool blocked =
                outcome.state == ItemState::Failed || outcome.reason.rfind(kWouldReplace, 0) == 0;
            (blocked ? report.left : report.would)
                .push_back(outcome.reason.empty() || outcome.reason.rfind("would ask to", 0) == 0
                               ? step
                               : step + ": " + outcome.reason);
        } else if (BatchResult::IsDone(outcome.state)) {
            ++report.moved;
        } else if (outcome.state == ItemState::Skipped) {
            report.left.push_back(step + ": the name is taken by another file");
        } else {
            report.left.push_back(step + ": " + outcome.reason);
        }
    }
    report.stopped = result.cancelled;
    return report;
}

// Brings every page the batch rewrote (and did not leave) to its bytes before the batch
// (Goal::Old) or after it, where it is after the names were settled; after a crash, what writes
// cut short left beside them goes too. dry: says what it would do. A page that holds neither is
// never written; nor is one whose file did not reach its name.
void SettlePages(const JournalState& state, Goal goal, bool dry, bool afterCrash,
                 SettleReport& report, const BatchOptions& options) {
    CutWrites cut;
    auto found = [](const PageLook& look) {
        return look.state == PageBytes::Before || look.state == PageBytes::After;
    };
    for (size_t p = 0; p < state.pages.size(); ++p) {
        const JournalPage& page = state.pages[p];
        if (page.unwritten) continue;
        const std::string& home = goal == Goal::Old ? page.path : page.newPath;
        const std::string& away = goal == Goal::Old ? page.newPath : page.path;
        const PageLook look = LookAtPage(home, page);
        const PageLook elsewhere =
            found(look) || away == home ? PageLook() : LookAtPage(away, page);
        // What a write cut short left beside either name goes, also beside a copy that goes.
        if (!dry && afterCrash) {
            const PageLook& known = found(look) ? look : elsewhere;
            cut.Remove(page.path, page, known);
            if (page.newPath != page.path) cut.Remove(page.newPath, page, known);
        }
        // A copy goes with its item: deleted, or listed when it was changed since.
        if (page.copy && goal == Goal::Old) continue;
        if (!found(look) && !page.copy && found(elsewhere)) {
            report.left.push_back(Quoted(away) + " is not at " + Quoted(home) +
                                  ", so its links were left as they are");
            continue;
        }
        if (look.state == PageBytes::Missing) {
            report.left.push_back(Quoted(home) + " is missing, so its links were not put right");
            continue;
        }
        if (!found(look)) {
            report.left.push_back(Quoted(home) +
                                  " was changed since the batch: its links were left as they are");
            continue;
        }
        if ((look.state == PageBytes::Before) == (goal == Goal::Old)) continue;
        if (dry) {
            report.would.push_back("rewrite " + CountOf(page.edits.size(), "link", "links") +
                                   " of " + Quoted(home));
            continue;
        }
        if (options.beforeStep) {
            if (const int error = options.beforeStep(p, "page")) {
                report.left.push_back(Quoted(home) + ": " + GetAPIErrorText(error));
                continue;
            }
        }
        const Result<std::string> bytes = OtherPageBytes(page, look);
        Status written = bytes ? WritePage(home, bytes.value(), p, options, false) : bytes.error();
        if (written) {
            ++report.pages;
        } else {
            report.left.push_back(Quoted(home) + ": " + written.error().description);
        }
    }
}

// After a recovery or an undo: where each item that took part is now (at its new name or at its
// old one), then the end of it. A journal with nothing left at a new name is deleted.
void Conclude(BatchJournal& journal, const std::vector<bool>& part, bool disown) {
    Result<JournalState> now = ReadJournal(journal.path());
    std::vector<std::string> records;
    bool anyDone = false;
    if (now) {
        const std::vector<ItemPlace> places = LocateItems(now.value());
        for (size_t i = 0; i < now.value().items.size(); ++i) {
            bool done = now.value().items[i].done;
            if (i < part.size() && part[i]) {
                if (places[i].place == Place::New && !disown)
                    done = true;
                else if (places[i].place == Place::Old || disown)
                    done = false;
                records.push_back(JournalRecord({done ? "done" : "back", std::to_string(i)}));
            }
            anyDone = anyDone || done;
        }
    }
    records.push_back(JournalRecord({"settled"}));
    journal.Write(records);
    if (now && !anyDone) journal.Remove();
}

}  // namespace

void PruneJournals(const std::string& folder) {
    std::vector<std::string> journals = ListJournals(folder);
    if (journals.size() <= kKeptBatches) return;
    journals.resize(journals.size() - kKeptBatches);
    for (const std::string& path : journals)
        if (EndsComplete(path) && !IsLockedByAnother(path)) unlink(path.c_str());
}

BatchResult RunJournaledBatch(const std::string& folder, BatchMode mode,
                              const std::vector<BatchItem>& items, BatchQuestions& questions,
                              ProgressObserver& progress, BatchOptions options) {
    if (options.dryRun) return RunBatch(mode, items, questions, progress, options);
    Result<std::unique_ptr<BatchJournal>> journal = BatchJournal::Create(folder);
    if (!journal) {
        BatchResult refused;
        refused.items.resize(items.size());
        refused.problems.push_back(journal.error().description);
        return refused;
    }
    options.recorder = journal.value().get();
    options.temporaryTag = journal.value()->tag();
    BatchResult result = RunBatch(mode, items, questions, progress, options);
    if (!journal.value()->Began()) journal.value()->Remove();
    journal.value().reset();
    PruneJournals(folder);
    return result;
}

std::vector<JournalState> FindInterruptedBatches(const std::string& folder) {
    std::vector<JournalState> found;
    const std::vector<std::string> journals = ListJournals(folder);
    for (auto it = journals.rbegin(); it != journals.rend(); ++it) {
        if (EndsComplete(*it) || IsLockedByAnother(*it)) continue;
        Result<JournalState> state = ReadJournal(*it);
        if (!state) continue;
        if (!state.value().begun) {
            unlink(it->c_str());  // nothing was touched
            continue;
        }
        if (state.value().Interrupted()) found.push_back(std::move(state.value()));
    }
    return found;
}

std::optional<JournalState> FindLastBatch(const std::string& folder) {
    const std::vector<std::string> journals = ListJournals(folder);
    for (auto it = journals.rbegin(); it != journals.rend(); ++it) {
        if (!EndsComplete(*it) || IsLockedByAnother(*it)) continue;
        Result<JournalState> state = ReadJournal(*it);
        if (state && !state.value().Interrupted() && state.value().DoneCount() > 0)
            return std::move(state.value());
    }
    return std::nullopt;
}

std::vector<ItemPlace> LocateItems(const JournalState& state) {
    std::vector<ItemPlace> places(state.items.size());
    std::vector<const JournalPage*> pageOf(state.items.size(), nullptr);
    for (const JournalPage& page : state.pages)
        if (page.item != kNoItem && !page.unwritten) pageOf[page.item] = &page;
    // A page the batch rewrote is a new file; it is known by its bytes, before or after.
    auto holdsPage = [&](size_t i, const std::string& path) {
        if (pageOf[i] == nullptr) return false;
        const PageBytes bytes = LookAtPage(path, *pageOf[i]).state;
        return bytes == PageBytes::Before || bytes == PageBytes::After;
    };
    for (size_t i = 0; i < state.items.size(); ++i) {
        const JournalItem& it = state.items[i];
        ItemPlace& place = places[i];
        if (!it.Acts()) {
            place.place = Place::Old;
            continue;
        }
        const std::string& source = it.item.source;
        const std::string target = TargetPath(it.item);
        const std::string name =
            it.item.temporaryName.empty() ? TemporaryFileName(state.tag, i) : it.item.temporaryName;
        const std::string newTemporary = JoinPath(FolderOf(target), name);
        if (state.mode == BatchMode::Copy) {
            const FileIdentity there = LookAtPath(target);
            for (const FileIdentity& written : it.written) {
                if (written.SameFile(there)) {
                    place.place = Place::New;
                    place.unchanged = place.unchanged || written.Unchanged(there);
                }
            }
            if (place.place != Place::New && there.known() && holdsPage(i, target)) {
                place.place = Place::New;
                place.unchanged = true;
            }
            if (place.place != Place::New) place.place = Place::Old;
            if (LookAtPath(newTemporary).known()) place.strays.push_back(newTemporary);
            continue;
        }
        auto ours = [&](const FileIdentity& identity) {
            if (it.source.SameFile(identity)) return true;
            for (const FileIdentity& written : it.written)
                if (written.SameFile(identity)) return true;
            return false;
        };
        auto oursAt = [&](const std::string& path, const FileIdentity& there) {
            return ours(there) || (there.known() && holdsPage(i, path));
        };
        const bool atOld = oursAt(source, LookAtPath(source));
        const bool atNew = oursAt(target, LookAtPath(target));
        std::string atTemporary;
        std::vector<std::string> temporaries = {JoinPath(FolderOf(source), name)};
        if (temporaries[0] != newTemporary) temporaries.push_back(newTemporary);
        for (const std::string& path : temporaries) {
            const FileIdentity there = LookAtPath(path);
            if (!there.known()) continue;
            if (oursAt(path, there))
                atTemporary = path;
            else
                place.strays.push_back(path);
        }
        if (atOld && atNew)
            place.place = Place::Both;
        else if (atNew)
            place.place = Place::New;
        else if (atOld)
            place.place = Place::Old;
        else if (!atTemporary.empty())
            place.place = Place::Temporary, place.temporary = atTemporary;
    }
    return places;
}

SettleReport RecoverBatch(const JournalState& state, RecoverWay way, ProgressObserver& progress,
                          BatchOptions options) {
    SettleReport report;
    Result<std::unique_ptr<BatchJournal>> journal = BatchJournal::Continue(state);
    if (!journal) {
        report.refused = journal.error().description;
        return report;
    }
    // Turning a batch back means the old names, turning an undo back the new ones.
    const bool undo = state.undoing;
    const Goal goal = (way == RecoverWay::TurnBack) != undo ? Goal::Old : Goal::New;
    std::vector<bool> part(state.items.size());
    for (size_t i = 0; i < state.items.size(); ++i)
        part[i] = state.items[i].Acts() && (!undo || state.items[i].done);
    journal.value()->Write({JournalRecord(
        {undo ? "recover-undo" : "recover", way == RecoverWay::TurnBack ? "back" : "finish"})});
    report = Settle(state, goal, part, LocateItems(state), journal.value().get(), false, progress,
                    options);
    if (!report.stopped) {
        SettlePages(state, goal, false, true, report, options);
        Conclude(*journal.value(), part, false);
    }
    return report;
}

SettleReport TurnBackOwnBatch(BatchJournal& journal, ProgressObserver& progress,
                              BatchOptions options) {
    SettleReport report;
    journal.ContinueHere();
    Result<JournalState> state = ReadJournal(journal.path());
    if (!state) {
        report.refused = state.error().description;
        return report;
    }
    std::vector<bool> part(state.value().items.size());
    for (size_t i = 0; i < part.size(); ++i)
        part[i] = state.value().items[i].Acts();
    journal.Write({JournalRecord({"recover", "back"})});
    report = Settle(state.value(), Goal::Old, part, LocateItems(state.value()), &journal, false,
                    progress, options);
    if (!report.stopped) {
        SettlePages(state.value(), Goal::Old, false, false, report, options);
        Conclude(journal, part, false);
    }
    return report;
}

SettleReport UndoBatch(const JournalState& state, bool dryRun, ProgressObserver& progress,
                       BatchOptions options) {
    SettleReport report;
    if (state.Interrupted()) {
        report.refused = "That batch was interrupted: it has to be turned back or finished first";
        return report;
    }
    std::vector<bool> part(state.items.size());
    bool any = false;
    for (size_t i = 0; i < state.items.size(); ++i)
        any = (part[i] = state.items[i].Acts() && state.items[i].done) || any;
    if (!any) {
        report.refused = "Nothing of that batch is left to undo";
        return report;
    }
    const std::vector<ItemPlace> places = LocateItems(state);
    if (state.mode == BatchMode::Move) {
        // Every file the batch renamed must still be at its new name, and its old name free (or
        // freed by the undo itself): otherwise nothing is touched.
        std::vector<std::string> changed;
        for (size_t i = 0; i < part.size(); ++i) {
            if (!part[i] || places[i].place == Place::New || places[i].place == Place::Both)
                continue;
            const JournalItem& it = state.items[i];
            const std::string target = TargetPath(it.item);
            if (places[i].place == Place::Old)
                changed.push_back(Quoted(it.item.source) + " has its old name already");
            else if (LookAtPath(target).known())
                changed.push_back(Quoted(target) +
                                  " is another file now, not the one renamed from " +
                                  Quoted(GetFileName(it.item.source)));
            else
                changed.push_back(Quoted(target) + " is no longer there");
        }
        SettleReport look;
        if (changed.empty())
            look = Settle(state, Goal::Old, part, places, nullptr, false, progress, options);
        changed.insert(changed.end(), look.left.begin(), look.left.end());
        if (!changed.empty()) {
            report.refused = "Nothing was undone, because files changed since the batch:";
            for (const std::string& line : changed)
                report.refused += "\n" + line;
            return report;
        }
        if (dryRun) {
            SettlePages(state, Goal::Old, true, false, look, options);
            return look;
        }
    } else if (dryRun) {
        return Settle(state, Goal::Old, part, places, nullptr, true, progress, options);
    }

    Result<std::unique_ptr<BatchJournal>> journal = BatchJournal::Continue(state);
    if (!journal) {
        report.refused = journal.error().description;
        return report;
    }
    if (int error = journal.value()->Write({JournalRecord({"undo"})})) {
        report.refused = "The batch journal '" + state.path +
                         "' could not be written: " + GetAPIErrorText(error);
        return report;
    }
    report = Settle(state, Goal::Old, part, places, journal.value().get(), true, progress, options);
    if (!report.stopped) {
        SettlePages(state, Goal::Old, false, false, report, options);
        // Copies kept because they were written since are the user's now, not the batch's.
        Conclude(*journal.value(), part, state.mode == BatchMode::Copy);
    }
    return report;
}

std::string DescribeBatch(const JournalState& state) {
    size_t count = 0;
    std::string folder;
    for (const JournalItem& item : state.items) {
        if (!item.Acts() || (state.ended && !item.done)) continue;
        ++count;
        if (folder.empty()) folder = item.item.targetFolder;
    }
    std::string pages;
    if (size_t rewritten = RewrittenPages(state); rewritten > 0)
        pages = " and rewrote the links of " + Files(rewritten, "page", "pages");
    if (state.mode == BatchMode::Copy)
        return "the batch of " + When(state.started) + " that copied " + Files(count) + " to " +
               Quoted(folder) + pages;
    return "the batch of " + When(state.started) + " that renamed " + Files(count) + pages;
}

std::string DescribeInterrupted(const JournalState& state) {
    const std::vector<ItemPlace> places = LocateItems(state);
    size_t total = 0, atNew = 0, atOld = 0, elsewhere = 0;
    for (size_t i = 0; i < places.size(); ++i) {
        if (!state.items[i].Acts() || (state.undoing && !state.items[i].done)) continue;
        ++total;
        atNew += places[i].place == Place::New;
        atOld += places[i].place == Place::Old;
    }
    elsewhere = total - atNew - atOld;
    std::string text;
    if (state.undoing) {
        text = "An undo of " + DescribeBatch(state) + " was interrupted: " + Files(atOld) +
               (atOld == 1 ? " has its old name" : " have their old names") + " back, " +
               std::to_string(atNew) + " still " + (atNew == 1 ? "has its" : "have their") +
               " new " + (atNew == 1 ? "name" : "names");
    } else if (state.mode == BatchMode::Copy) {
        text = "A batch started on " + When(state.started) + " that copies " + Files(total) +
               " was interrupted: " + Files(atNew, "copy was", "copies were") + " made, " +
               std::to_string(atOld) + " not yet";
    } else {
        text = "A batch started on " + When(state.started) + " that renames " + Files(total) +
               " was interrupted: " + Files(atNew) +
               (atNew == 1 ? " has its new name, " : " have their new names, ") +
               std::to_string(atOld) + " still " +
               (atOld == 1 ? "has its old one" : "their old ones");
    }
    if (elsewhere > 0)
        text += ", " + std::to_string(elsewhere) + " " + (elsewhere == 1 ? "is" : "are") +
                " under a temporary name or missing";
    if (size_t pages = RewrittenPages(state); pages > 0 && !state.undoing)
        text += "; it rewrites the links of " + Files(pages, "page", "pages") +
                ", which are put right with the names";
    return text + ".";
}

std::string DescribeSettle(const SettleReport& report, std::string_view what, size_t maxListed) {
    if (!report.refused.empty()) return report.refused + ".";
    std::string text(what);
    text += ": " + Files(report.moved) + (report.moved == 1 ? " was" : " were") + " renamed";
    if (report.removed > 0)
        text += ", " + Files(report.removed, "copy", "copies") +
                (report.removed == 1 ? " was" : " were") + " deleted";
    if (report.pages > 0)
        text += ", the links of " + Files(report.pages, "page", "pages") +
                (report.pages == 1 ? " was" : " were") + " put right";
    text += report.stopped ? ", and then it was stopped." : ".";
    if (!report.left.empty()) {
        text += "\nLeft for you to sort out:";
        for (size_t k = 0; k < report.left.size() && k < maxListed; ++k)
            text += "\n" + report.left[k];
        if (report.left.size() > maxListed)
            text += "\n... and " + std::to_string(report.left.size() - maxListed) + " more";
    }
    return text;
}

}  // namespace morv::renamer
