// The batch journal against crashes: a child process runs a batch and kills itself (SIGKILL) at a
// chosen step; then recovery and undo must leave every file's bytes under exactly one name.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "helpers/core/StopSignals.h"
#include "renamer/core/BatchRecovery.h"

using namespace morv;
using namespace morv::renamer;
using namespace renamer_test;

namespace {

std::string Name(char prefix, size_t i) {
    char name[32];
    std::snprintf(name, sizeof name, "%c%06zu", prefix, i);
    return name;
}

// n files (n a multiple of 10) renamed in swaps, rounds of three, chains of three and plain
// renames, or copied into a folder; the folders before and after the batch.
struct Batch {
    BatchMode mode = BatchMode::Move;
    std::vector<BatchItem> items;
    std::string before, after;
};

Batch MakeBatch(const TempFolder& dir, size_t n, BatchMode mode = BatchMode::Move) {
    Batch batch;
    batch.mode = mode;
    const std::string files = dir / "files";
    mkdir(files.c_str(), 0755);
    for (size_t i = 0; i < n; ++i)
        WriteFile(files + "/" + Name('f', i), "bytes of " + std::to_string(i));
    if (mode == BatchMode::Copy) {
        const std::string to = dir / "copies";
        mkdir(to.c_str(), 0755);
        WriteFile(files + "/" + Name('f', 0), std::string(8 << 20, 'x'));  // a large one
        for (size_t i = 0; i < n; ++i)
            batch.items.push_back({files + "/" + Name('f', i), to, Name('c', i)});
        batch.before = Snapshot(files) + "|" + Snapshot(to);
    } else {
        static const int kTakes[10] = {1, -1, 1, 1, -2, 0, -1, -1, 0, 0};  // the name of f(i+k)
        for (size_t i = 0; i < n; ++i) {
            const int k = kTakes[i % 10];
            const bool free = (i % 10 == 5) || (i % 10 >= 8);
            batch.items.push_back(
                {files + "/" + Name('f', i), files, free ? Name('g', i) : Name('f', i + k)});
        }
        batch.before = Snapshot(files);
    }
    return batch;
}

// The folders of a batch as they are now.
std::string Now(const TempFolder& dir, BatchMode mode) {
    return mode == BatchMode::Copy ? Snapshot(dir / "files") + "|" + Snapshot(dir / "copies")
                                   : Snapshot(dir / "files");
}

// Runs the batch in a child process that kills itself before its step number at; true when it
// died there.
bool RunAndKill(const Batch& batch, long at) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        long step = 0;
        BatchOptions options;
        options.beforeStep = [&](size_t, std::string_view) {
            if (++step == at) kill(getpid(), SIGKILL);
            return 0;
        };
        NoClobberQuestions questions;
        RunJournaledBatch(JournalFolder(), batch.mode, batch.items, questions, NoProgress(),
                          options);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool NoTemporaryName(const std::string& folder) {
    for (const std::string& name : Names(folder))
        if (IsTemporaryFileName(name)) return false;
    return true;
}

class TreloRecovery : public ::testing::Test {
  protected:
    StateHome home;
    TempFolder dir;
};

TEST_F(TreloRecovery, KillAtAnyStepThenTurnBackOrFinish) {
    // TRELO_CRASH_FILES=50000 makes it the large run (bench/renamer/run-crash.sh).
    const char* wanted = std::getenv("TRELO_CRASH_FILES");
    const size_t files = wanted != nullptr ? size_t(std::atol(wanted)) / 10 * 10 : 1000;
    struct Row {
        const char* name;
        BatchMode mode;
        unsigned seed;
        RecoverWay way;
    } rows[] = {
        {"renames turned back", BatchMode::Move, 1, RecoverWay::TurnBack},
        {"renames finished", BatchMode::Move, 2, RecoverWay::Finish},
        {"renames turned back again", BatchMode::Move, 3, RecoverWay::TurnBack},
        {"renames finished again", BatchMode::Move, 4, RecoverWay::Finish},
        {"copies turned back", BatchMode::Copy, 5, RecoverWay::TurnBack},
        {"copies finished", BatchMode::Copy, 6, RecoverWay::Finish},
        {"copies turned back after some were made", BatchMode::Copy, 12, RecoverWay::TurnBack},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder run;
        const Batch batch = MakeBatch(run, row.mode == BatchMode::Copy ? 50 : files, row.mode);
        // Steps per ten files: 3 (swap) + 4 (round) + 3 (chain) + 2; a copy: 3 per file.
        const long steps = long(batch.items.size()) * (row.mode == BatchMode::Copy ? 3 : 12) / 10;
        std::mt19937 random(row.seed);
        const long at = 1 + long(random() % unsigned(steps - 1));
        ASSERT_TRUE(RunAndKill(batch, at)) << "step " << at;

        std::vector<JournalState> interrupted = FindInterruptedBatches(JournalFolder());
        ASSERT_EQ(interrupted.size(), 1u);
        const SettleReport report = RecoverBatch(interrupted[0], row.way);
        EXPECT_TRUE(report.ok()) << DescribeSettle(report, "recovery");
        // Every file's bytes under exactly one name: all the old names or all the new ones.
        if (row.way == RecoverWay::TurnBack) {
            EXPECT_EQ(Now(run, row.mode), batch.before);
        } else {
            for (size_t i = 0; i < batch.items.size(); ++i) {
                const std::string wanted = row.mode == BatchMode::Copy && i == 0
                                               ? std::string(8 << 20, 'x')
                                               : "bytes of " + std::to_string(i);
                if (ReadFile(TargetPath(batch.items[i])) != wanted) {
                    ADD_FAILURE() << TargetPath(batch.items[i]) << " does not hold file " << i;
                    break;
                }
            }
            const std::string folder = run / (row.mode == BatchMode::Copy ? "copies" : "files");
            EXPECT_EQ(Names(folder).size(), batch.items.size());
        }
        EXPECT_TRUE(NoTemporaryName(run / "files"));
        EXPECT_TRUE(row.mode == BatchMode::Move || NoTemporaryName(run / "copies"));
        EXPECT_TRUE(FindInterruptedBatches(JournalFolder()).empty());
    }
}

TEST_F(TreloRecovery, TurningBackNeverReplacesAFileThatTookAnOldName) {
    const Batch batch = MakeBatch(dir, 10);
    ASSERT_TRUE(RunAndKill(batch, 12));  // all but the last plain rename have gone
    // Someone else's file takes the old name of a renamed file.
    const std::string taken = batch.items[8].source;
    WriteFile(taken, "someone else's");
    const SettleReport report =
        RecoverBatch(FindInterruptedBatches(JournalFolder()).at(0), RecoverWay::TurnBack);
    ASSERT_EQ(report.left.size(), 1u);
    EXPECT_NE(report.left[0].find("the name is taken by another file"), std::string::npos);
    EXPECT_EQ(ReadFile(taken), "someone else's");
    EXPECT_EQ(ReadFile(TargetPath(batch.items[8])), "bytes of 8");
    EXPECT_EQ(ReadFile(batch.items[0].source), "bytes of 0");
    EXPECT_TRUE(NoTemporaryName(dir / "files"));
}

TEST_F(TreloRecovery, StopSignalMidBatchFinishesOrTurnsBackTheRoundInHand) {
    for (long at : {2L, 4L, 5L, 7L, 9L}) {  // inside the swap, at each step of the round of three
        SCOPED_TRACE(at);
        TempFolder run;
        const Batch batch = MakeBatch(run, 10);
        ScopedStopSignals signals;
        long step = 0;
        BatchOptions options;
        options.beforeStep = [&](size_t, std::string_view) {
            if (++step == at) raise(SIGINT);
            return 0;
        };
        NoClobberQuestions questions;
        SignalStopObserver stop;
        const BatchResult result =
            RunJournaledBatch(JournalFolder(), batch.mode, batch.items, questions, stop, options);
        EXPECT_EQ(StopSignalReceived(), SIGINT);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(NoTemporaryName(run / "files"));
        // Each round is all old or all new; the rest was not started.
        const std::vector<ItemState> round = {result.items[2].state, result.items[3].state,
                                              result.items[4].state};
        EXPECT_TRUE(round == std::vector<ItemState>(3, ItemState::Done) ||
                    round == std::vector<ItemState>(3, ItemState::NotRun));
        EXPECT_EQ(Names(run / "files").size(), 10u);
        EXPECT_TRUE(FindInterruptedBatches(JournalFolder()).empty());
        // What was done is the last batch, and undoing it brings every name back.
        if (std::optional<JournalState> last = FindLastBatch(JournalFolder())) {
            EXPECT_TRUE(UndoBatch(*last, false).ok());
        }
        EXPECT_EQ(Snapshot(run / "files"), batch.before);
    }
}

TEST_F(TreloRecovery, UndoAfterARestartTurnsTheBatchesBackOneByOne) {
    TempFolder copies;
    const Batch first = MakeBatch(dir, 20);
    NoClobberQuestions questions;
    ASSERT_TRUE(RunJournaledBatch(JournalFolder(), first.mode, first.items, questions).ok());
    const std::string between = Snapshot(dir / "files");
    std::vector<BatchItem> second;
    for (const char* name : {"f000003", "f000005"})
        second.push_back({dir / ("files/" + std::string(name)), copies.path(), name});
    ASSERT_TRUE(RunJournaledBatch(JournalFolder(), BatchMode::Copy, second, questions).ok());

    // A later program: nothing but the journal folder.
    std::optional<JournalState> last = FindLastBatch(JournalFolder());
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->mode, BatchMode::Copy);
    const SettleReport dry = UndoBatch(*last, true);
    EXPECT_EQ(dry.would.size(), 2u);
    EXPECT_EQ(Names(copies.path()).size(), 2u);
    EXPECT_TRUE(UndoBatch(*last, false).ok());
    EXPECT_TRUE(Names(copies.path()).empty());
    EXPECT_EQ(Snapshot(dir / "files"), between);

    last = FindLastBatch(JournalFolder());
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->mode, BatchMode::Move);
    const SettleReport undone = UndoBatch(*last, false);
    EXPECT_TRUE(undone.ok()) << DescribeSettle(undone, "undo");
    EXPECT_EQ(undone.moved, 20u);
    EXPECT_EQ(Snapshot(dir / "files"), first.before);
    EXPECT_FALSE(FindLastBatch(JournalFolder()).has_value());
}

TEST_F(TreloRecovery, UndoKeepsCopiesWrittenSinceAndRefusesRenamesThatChanged) {
    TempFolder copies;
    const Batch renames = MakeBatch(dir, 10);
    NoClobberQuestions questions;
    ASSERT_TRUE(RunJournaledBatch(JournalFolder(), renames.mode, renames.items, questions).ok());
    // The renamed file is replaced by another one: nothing may be touched.
    const std::string renamed = TargetPath(renames.items[8]);
    const std::string after = Snapshot(dir / "files");
    ASSERT_EQ(unlink(renamed.c_str()), 0);
    WriteFile(renamed, "bytes of 8");
    const SettleReport refused = UndoBatch(*FindLastBatch(JournalFolder()), false);
    EXPECT_NE(refused.refused.find("is another file now"), std::string::npos) << refused.refused;
    EXPECT_EQ(Snapshot(dir / "files"), after);

    std::vector<BatchItem> items;
    for (const char* name : {"g000005", "g000008", "g000009"})
        items.push_back({dir / ("files/" + std::string(name)), copies.path(), name});
    ASSERT_TRUE(RunJournaledBatch(JournalFolder(), BatchMode::Copy, items, questions).ok());
    WriteFile(copies / "g000008", "edited since");  // same file, new bytes
    ASSERT_EQ(unlink((copies / "g000009").c_str()), 0);
    WriteFile(copies / "g000009", "another file");
    const SettleReport report = UndoBatch(*FindLastBatch(JournalFolder()), false);
    EXPECT_EQ(report.removed, 1u);
    ASSERT_EQ(report.left.size(), 2u);
    EXPECT_NE(report.left[0].find("written since the batch"), std::string::npos);
    EXPECT_NE(report.left[1].find("no longer the copy"), std::string::npos);
    EXPECT_EQ(Snapshot(copies.path()), "g000008=edited since;g000009=another file;");
}

TEST_F(TreloRecovery, ALargeBatchNotesEveryFileAndFailsOnlyTheMissingOne) {
    // Large enough for the files to be looked at on two threads.
    const Batch batch = MakeBatch(dir, 3000);
    const size_t missing = 2998;  // a plain rename, in the second half
    ASSERT_EQ(unlink(batch.items[missing].source.c_str()), 0);
    NoClobberQuestions questions;
    const BatchResult result =
        RunJournaledBatch(JournalFolder(), batch.mode, batch.items, questions);
    EXPECT_EQ(result.items[missing].state, ItemState::Failed);
    EXPECT_EQ(result.items[missing].reason, "No such file or directory");
    size_t done = 0;
    for (const ItemOutcome& item : result.items)
        done += BatchResult::IsDone(item.state);
    EXPECT_EQ(done, batch.items.size() - 1);
    std::optional<JournalState> last = FindLastBatch(JournalFolder());
    ASSERT_TRUE(last.has_value());
    const SettleReport undone = UndoBatch(*last, false);
    EXPECT_TRUE(undone.ok()) << DescribeSettle(undone, "undo");
    EXPECT_EQ(undone.moved, batch.items.size() - 1);
}

TEST_F(TreloRecovery, OnlyTheLastTenBatchesAreKept) {
    NoClobberQuestions questions;
    WriteFile(dir / "0", "x");
    for (int i = 0; i < 12; ++i)
        RunJournaledBatch(JournalFolder(), BatchMode::Move,
                          {{dir / std::to_string(i), dir.path(), std::to_string(i + 1)}},
                          questions);
    EXPECT_EQ(ListJournals(JournalFolder()).size(), kKeptBatches);
    EXPECT_EQ(ReadFile(dir / "12"), "x");
}

TEST(TreloJournal, FieldsAndRecordsReadBackAsWritten) {
    for (const std::string& field :
         {std::string("plain"), std::string("tab\there"), std::string("line\nbreak\r"),
          std::string("back\\slash \\t"), std::string("\x01\x7f\xff\xc3(", 5), std::string()}) {
        std::string back;
        ASSERT_TRUE(UnescapeField(EscapeField(field), back));
        EXPECT_EQ(back, field);
        EXPECT_EQ(EscapeField(field).find_first_of("\t\n"), std::string::npos);
    }
    // The form journals on the disk have.
    EXPECT_EQ(EscapeField(std::string("a\\b\tc\nd\re\x01\x1f\x7f\xff", 13)),
              "a\\\\b\\tc\\nd\\re\\x01\\x1f\\x7f\xff");
    EXPECT_EQ(EscapeField("a field longer than eight bytes\\its end\x7f"),
              "a field longer than eight bytes\\\\its end\\x7f");
    struct Row {
        const char* name;
        std::string text;
        bool read;
        size_t items;
        bool begun, ended;
    } rows[] = {
        {"a whole journal",
         "trelo-journal\t1\nbatch\tx\tmove\t5\t1\n"
         "item\t0\tgo\t1\t2\t3\t4\t5\t/a\\tb\t/\tc\t.t\nbegin\ndone\t0\nend\tcomplete\n",
         true, 1, true, true},
        {"a last line cut short",
         "trelo-journal\t1\nbatch\tx\tmove\t5\t1\n"
         "item\t0\tgo\t1\t2\t3\t4\t5\t/a\t/\tc\t.t\nbegin\nend\tcompl",
         true, 1, true, false},
        {"records of a later version are skipped",
         "trelo-journal\t1\nbatch\tx\tcopy\t5\t0\nlater\t0\tindex.htm\nbegin\n", true, 0, true,
         false},
        {"a newer version", "trelo-journal\t3\nbatch\tx\tmove\t5\t0\n", false, 0, false, false},
        {"no journal", "[General]\n", false, 0, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Result<JournalState> state = ParseJournal(row.text);
        ASSERT_EQ(state.ok(), row.read);
        if (!row.read) continue;
        EXPECT_EQ(state.value().items.size(), row.items);
        EXPECT_EQ(state.value().begun, row.begun);
        EXPECT_EQ(state.value().ended, row.ended);
    }
    EXPECT_EQ(ParseJournal(rows[0].text).value().items[0].item.source, "/a\tb");
}

}  // namespace
