// The batch file operation on real folders: nothing may be lost or replaced without a yes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "renamer/core/BatchOperation.h"

using namespace morv;
using namespace morv::renamer;
using namespace renamer_test;

namespace {

// Answers from a list and records every question; an unexpected question fails the test.
class ScriptedQuestions : public BatchQuestions {
  public:
    std::deque<ReplaceAnswer> replies;
    std::deque<bool> folderReplies;
    std::vector<ReplaceQuestion> asked;
    std::vector<std::string> foldersAsked;

    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override {
        asked.push_back(question);
        if (replies.empty()) {
            ADD_FAILURE() << "unexpected question about " << question.target;
            return ReplaceAnswer::Cancel;
        }
        ReplaceAnswer answer = replies.front();
        replies.pop_front();
        return answer;
    }
    bool AskCreateFolder(const std::string& folder) override {
        foldersAsked.push_back(folder);
        if (folderReplies.empty()) {
            ADD_FAILURE() << "unexpected question about " << folder;
            return false;
        }
        bool answer = folderReplies.front();
        folderReplies.pop_front();
        return answer;
    }
};

// Counts and can stop after a number of steps.
class StopAfter : public ProgressObserver {
  public:
    explicit StopAfter(int polls) : left_(polls) {}
    long max = -1, value = -1;
    void SetMax(long m) override { max = m; }
    void SetValue(long v) override { value = v; }
    bool ShouldStop() override { return left_-- <= 0; }

  private:
    int left_;
};

bool HasTemporaryName(const std::string& folder) {
    for (const std::string& name : Names(folder))
        if (name.rfind(".trelo-", 0) == 0) return true;
    return false;
}

class TreloBatch : public ::testing::Test {
  protected:
    TempFolder dir;
    ScriptedQuestions questions;

    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    // Files name=content in the folder.
    void Make(std::initializer_list<std::pair<const char*, const char*>> files) {
        for (const auto& [name, content] : files)
            WriteFile(dir / name, content);
    }
    // A rename of name to newName in its own folder.
    BatchItem Rename(const std::string& name, const std::string& newName) const {
        return {dir / name, dir.path(), newName};
    }
    BatchResult Run(const std::vector<BatchItem>& items, const BatchOptions& options = {},
                    BatchMode mode = BatchMode::Move) {
        return RunBatch(mode, items, questions, NoProgress(), options);
    }
};

std::vector<ItemState> States(const BatchResult& result) {
    std::vector<ItemState> states;
    for (const ItemOutcome& item : result.items)
        states.push_back(item.state);
    return states;
}

constexpr ItemState kDone = ItemState::Done;
constexpr ItemState kSkipped = ItemState::Skipped;
constexpr ItemState kFailed = ItemState::Failed;
constexpr ItemState kNotRun = ItemState::NotRun;

// ----- the pure plan -----

TEST(TreloBatchPlan, ChainsAndCyclesAreOrderedSoEveryNameIsFreeWhenTaken) {
    auto item = [](const char* from, const char* to) {
        return BatchItem{std::string("/d/") + from, "/d", to};
    };
    // 0: 02->01, 1: 01->00 (a chain listed backwards), 2: a->b, 3: b->a (a swap),
    // 4: x->y, 5: y->z, 6: z->x (a cycle of three), 7: solo->other, 8: same->same.
    std::vector<BatchItem> items = {item("02", "01"), item("01", "00"),      item("a", "b"),
                                    item("b", "a"),   item("x", "y"),        item("y", "z"),
                                    item("z", "x"),   item("solo", "other"), item("same", "same")};
    BatchPlan plan = PlanBatch(BatchMode::Move, items);
    ASSERT_TRUE(plan.problems.empty());
    ASSERT_EQ(plan.groups.size(), 5u);
    EXPECT_EQ(plan.groups[0].items, (std::vector<size_t>{1, 0}));  // 01->00 first
    EXPECT_FALSE(plan.groups[0].cycle);
    EXPECT_TRUE(plan.groups[1].cycle);
    EXPECT_EQ(plan.groups[1].items.size(), 2u);
    EXPECT_TRUE(plan.groups[2].cycle);
    EXPECT_EQ(plan.groups[2].items, (std::vector<size_t>{4, 5, 6}));
    EXPECT_EQ(plan.groups[3].items, (std::vector<size_t>{7}));
    EXPECT_TRUE(plan.unchanged[8]);
    EXPECT_EQ(plan.takesNameOf[0], 1u);
}

TEST(TreloBatchPlan, BadNamesAndDuplicatesAreProblems) {
    struct Row {
        const char* name;
        std::vector<BatchItem> items;
        const char* problem;  // a part of the one problem reported
    } rows[] = {
        {"empty name", {{"/d/a", "/d", ""}}, "is empty"},
        {"slash", {{"/d/a", "/d", "x/y"}}, "holds a \"/\""},
        {"NUL", {{"/d/a", "/d", std::string("x\0y", 3)}}, "NUL"},
        {"dot", {{"/d/a", "/d", "."}}, "is '.'"},
        {"dot dot", {{"/d/a", "/d", ".."}}, "is '..'"},
        {"256 bytes", {{"/d/a", "/d", std::string(256, 'n')}}, "longer than 255 bytes"},
        {"two files, one name", {{"/d/a", "/d", "n"}, {"/d/b", "/d", "n"}}, "would both be named"},
        {"same name through another spelling",
         {{"/d/a", "/d/", "n"}, {"/d/b", "/d/.//", "n"}},
         "would both be named"},
        {"a new name that is an unchanged file's",
         {{"/d/a", "/d", "b"}, {"/d/b", "/d", "b"}},
         "would both be named"},
        {"a file listed twice", {{"/d/a", "/d", "x"}, {"/d//a", "/d", "y"}}, "in the list twice"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BatchPlan plan = PlanBatch(BatchMode::Move, row.items);
        ASSERT_EQ(plan.problems.size(), 1u);
        EXPECT_NE(plan.problems[0].find(row.problem), std::string::npos) << plan.problems[0];
    }
    EXPECT_TRUE(
        PlanBatch(BatchMode::Move, {{"/d/a", "/d", std::string(255, 'n')}}).problems.empty());
}

// ----- renames on disk -----

TEST_F(TreloBatch, SwapTwoFiles) {
    Make({{"a", "A"}, {"b", "B"}});
    BatchResult result = Run({Rename("a", "b"), Rename("b", "a")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "a=B;b=A;");
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(TreloBatch, ChainInEitherOrder) {
    Make({{"01", "one"}, {"02", "two"}, {"03", "three"}});
    // Listed so that a naive loop would replace 01 and 02 before they have moved.
    BatchResult result = Run({Rename("03", "02"), Rename("01", "00"), Rename("02", "01")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "00=one;01=two;02=three;");
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(TreloBatch, ChainUpwards) {
    Make({{"1.txt", "one"}, {"2.txt", "two"}, {"3.txt", "three"}});
    BatchResult result =
        Run({Rename("1.txt", "2.txt"), Rename("2.txt", "3.txt"), Rename("3.txt", "4.txt")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "2.txt=one;3.txt=two;4.txt=three;");
}

TEST_F(TreloBatch, CycleOfThree) {
    Make({{"x", "X"}, {"y", "Y"}, {"z", "Z"}});
    BatchResult result = Run({Rename("x", "y"), Rename("y", "z"), Rename("z", "x")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "x=Z;y=X;z=Y;");
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(TreloBatch, LongCycleAndSeveralFolders) {
    TempFolder other;
    ASSERT_TRUE(other.ok());
    std::vector<BatchItem> items;
    for (int i = 0; i < 10; ++i) {
        WriteFile(dir / std::to_string(i), "d" + std::to_string(i));
        WriteFile(other / std::to_string(i), "o" + std::to_string(i));
        items.push_back(Rename(std::to_string(i), std::to_string((i + 1) % 10)));
        items.push_back({other / std::to_string(i), other.path(), std::to_string((i + 3) % 10)});
    }
    BatchResult result = Run(items);
    EXPECT_TRUE(result.ok());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ReadFile(dir / std::to_string((i + 1) % 10)), "d" + std::to_string(i));
        EXPECT_EQ(ReadFile(other / std::to_string((i + 3) % 10)), "o" + std::to_string(i));
    }
    EXPECT_EQ(Names(dir.path()).size(), 10u);
    EXPECT_EQ(Names(other.path()).size(), 10u);
}

TEST_F(TreloBatch, ExistingFileOutsideTheBatchAnsweredNoKeepsBoth) {
    Make({{"a.jpg", "new"}, {"b.jpg", "bee"}, {"keep.jpg", "precious"}});
    questions.replies = {ReplaceAnswer::No};
    BatchResult result = Run({Rename("a.jpg", "keep.jpg"), Rename("b.jpg", "c.jpg")});
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0].target, dir / "keep.jpg");
    EXPECT_EQ(questions.asked[0].source, dir / "a.jpg");
    EXPECT_EQ(questions.asked[0].targetSize, 8);
    EXPECT_EQ(questions.asked[0].sourceSize, 3);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(States(result), (std::vector<ItemState>{kSkipped, kDone}));
    EXPECT_EQ(Snapshot(dir.path()), "a.jpg=new;c.jpg=bee;keep.jpg=precious;");
    EXPECT_NE(DescribeResult(BatchMode::Move,
                             {Rename("a.jpg", "keep.jpg"), Rename("b.jpg", "c.jpg")}, result)
                  .find("1 of 2 files was renamed"),
              std::string::npos);
}

TEST_F(TreloBatch, LargeBatchStillFindsEveryExistingName) {
    // Enough files for the folder to be read once instead of a look at every new name.
    std::vector<BatchItem> items;
    for (int i = 0; i < 100; ++i) {
        char from[16], to[16];
        std::snprintf(from, sizeof from, "f%03d", i);
        std::snprintf(to, sizeof to, "g%03d", i);
        WriteFile(dir / from, from);
        items.push_back(Rename(from, to));
    }
    WriteFile(dir / "g050", "outside");
    WriteFile(dir / "G070", "other case");  // a different file on a case-sensitive disk
    questions.replies = {ReplaceAnswer::No};
    BatchResult result = Run(items);
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0].target, dir / "g050");
    EXPECT_EQ(result.DoneCount(), 99u);
    EXPECT_EQ(result.items[50].state, kSkipped);
    EXPECT_EQ(ReadFile(dir / "g050"), "outside");
    EXPECT_EQ(ReadFile(dir / "f050"), "f050");
    EXPECT_EQ(ReadFile(dir / "g070"), "f070");
    EXPECT_EQ(ReadFile(dir / "G070"), "other case");
    EXPECT_EQ(Names(dir.path()).size(), 102u);
}

TEST_F(TreloBatch, LargeBatchOfCaseOnlyRenames) {
    std::vector<BatchItem> items;
    for (int i = 0; i < 80; ++i) {
        char from[16], to[16];
        std::snprintf(from, sizeof from, "IMG%02d.JPG", i);
        std::snprintf(to, sizeof to, "img%02d.jpg", i);
        WriteFile(dir / from, from);
        items.push_back(Rename(from, to));
    }
    BatchResult result = Run(items);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(ReadFile(dir / "img42.jpg"), "IMG42.JPG");
    EXPECT_EQ(Names(dir.path()).size(), 80u);
    EXPECT_FALSE(HasTemporaryName(dir.path()));
}

TEST_F(TreloBatch, ExistingFileAnsweredYesIsReplaced) {
    Make({{"a", "new"}, {"t", "old"}});
    questions.replies = {ReplaceAnswer::Yes};
    BatchResult result = Run({Rename("a", "t")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "t=new;");
}

TEST_F(TreloBatch, YesToAllAsksOnce) {
    Make({{"a", "A"}, {"b", "B"}, {"c", "C"}, {"x", "X"}, {"y", "Y"}});
    questions.replies = {ReplaceAnswer::YesToAll};
    BatchResult result = Run({Rename("a", "x"), Rename("b", "y"), Rename("c", "z")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(Snapshot(dir.path()), "x=A;y=B;z=C;");
}

TEST_F(TreloBatch, CancelAtAQuestionTouchesNothing) {
    Make({{"a", "A"}, {"b", "B"}, {"y", "Y"}});
    const std::string before = Snapshot(dir.path());
    questions.replies = {ReplaceAnswer::Cancel};
    // The first item could go at once; the question about the second comes before it does.
    BatchResult result = Run({Rename("a", "x"), Rename("b", "y")});
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.DoneCount(), 0u);
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST_F(TreloBatch, ChainBehindAFileTheUserKeptStaysPut) {
    Make({{"00", "outside"}, {"01", "one"}, {"02", "two"}});
    questions.replies = {ReplaceAnswer::No};
    BatchResult result = Run({Rename("01", "00"), Rename("02", "01")});
    EXPECT_EQ(States(result), (std::vector<ItemState>{kSkipped, kNotRun}));
    EXPECT_NE(result.items[1].reason.find("'01'"), std::string::npos);
    EXPECT_EQ(Snapshot(dir.path()), "00=outside;01=one;02=two;");
}

TEST_F(TreloBatch, DuplicateNewNamesTouchNothing) {
    Make({{"a", "A"}, {"b", "B"}, {"c", "C"}});
    const std::string before = Snapshot(dir.path());
    BatchResult result = Run({Rename("a", "x"), Rename("b", "n"), Rename("c", "n")});
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_NE(result.problems[0].find("'b' and 'c' would both be named 'n'"), std::string::npos);
    EXPECT_EQ(Snapshot(dir.path()), before);
    EXPECT_TRUE(questions.asked.empty());
    EXPECT_EQ(DescribeResult(BatchMode::Move, {}, result).rfind("Nothing was renamed:", 0), 0u);
}

TEST_F(TreloBatch, InvalidNamesTouchNothing) {
    Make({{"a", "A"}, {"b", "B"}});
    const std::string before = Snapshot(dir.path());
    for (const std::string& bad :
         {std::string(), std::string("x/y"), std::string("."), std::string(".."),
          std::string(256, 'z'), std::string("a\0b", 3)}) {
        BatchResult result = Run({Rename("a", "fine"), Rename("b", bad)});
        EXPECT_EQ(result.problems.size(), 1u);
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
}

TEST_F(TreloBatch, CaseOnlyRename) {
    Make({{"photo.JPG", "pixels"}, {"Notes.TXT", "text"}});
    BatchResult result = Run({Rename("photo.JPG", "photo.jpg"), Rename("Notes.TXT", "notes.txt")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "notes.txt=text;photo.jpg=pixels;");
}

TEST_F(TreloBatch, SameFileUnderAnotherNameIsAskedAndLeavesOneName) {
    // Two names of one file (a hard link), the way a case-insensitive file system shows a
    // case-only rename, but with two different names: replacing one by the other drops the old.
    Make({{"a", "same"}});
    ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
    questions.replies = {ReplaceAnswer::Yes};
    BatchResult result = Run({Rename("a", "b")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(Snapshot(dir.path()), "b=same;");
}

TEST_F(TreloBatch, UnchangedNameIsDoneWithoutTouching) {
    Make({{"a", "A"}});
    BatchResult result = Run({Rename("a", "a")});
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.items[0].state, ItemState::Unchanged);
    EXPECT_EQ(Snapshot(dir.path()), "a=A;");
}

TEST_F(TreloBatch, MissingSourceFailsAloneWithTheSystemText) {
    Make({{"a", "A"}, {"c", "C"}});
    BatchResult result = Run({Rename("a", "x"), Rename("b", "y"), Rename("c", "z")});
    EXPECT_EQ(States(result), (std::vector<ItemState>{kDone, kFailed, kDone}));
    EXPECT_EQ(result.items[1].reason, "No such file or directory");
    EXPECT_EQ(Snapshot(dir.path()), "x=A;z=C;");
}

TEST_F(TreloBatch, ExistingFolderIsNeverReplaced) {
    Make({{"a", "A"}});
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    BatchResult result = Run({Rename("a", "d")});
    EXPECT_EQ(States(result), (std::vector<ItemState>{kFailed}));
    EXPECT_EQ(result.items[0].reason, "'" + (dir / "d") + "' is a folder");
    EXPECT_EQ(ReadFile(dir / "a"), "A");
    EXPECT_EQ(Names(dir / "d").size(), 0u);
}

TEST_F(TreloBatch, FailureHalfWayKeepsWhatWasNotDone) {
    Make({{"1", "one"}, {"2", "two"}, {"3", "three"}, {"4", "four"}, {"5", "five"}});
    BatchOptions options;
    options.beforeStep = [](size_t item, std::string_view step) {
        return item == 2 && step == "move" ? EIO : 0;
    };
    std::vector<BatchItem> items = {Rename("1", "a"), Rename("2", "b"), Rename("3", "c"),
                                    Rename("4", "d"), Rename("5", "e")};
    BatchResult result = Run(items, options);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kDone, kDone, kFailed, kDone, kDone}));
    EXPECT_EQ(result.items[2].reason, "Input/output error");
    EXPECT_EQ(Snapshot(dir.path()), "3=three;a=one;b=two;d=four;e=five;");
    const std::string summary = DescribeResult(BatchMode::Move, items, result);
    EXPECT_NE(summary.find("4 of 5 files were renamed"), std::string::npos) << summary;
    EXPECT_NE(summary.find("'3' \xE2\x86\x92 'c': Input/output error"), std::string::npos)
        << summary;
}

TEST_F(TreloBatch, FailureInsideACycleTurnsItBack) {
    Make({{"x", "X"}, {"y", "Y"}, {"z", "Z"}});
    const std::string before = Snapshot(dir.path());
    // Every step of the round fails once in turn: the round is undone each time.
    for (const char* failing : {"to temporary", "move", "from temporary"}) {
        SCOPED_TRACE(failing);
        BatchOptions options;
        options.beforeStep = [&](size_t, std::string_view step) {
            return step == failing ? EIO : 0;
        };
        BatchResult result = Run({Rename("x", "y"), Rename("y", "z"), Rename("z", "x")}, options);
        EXPECT_EQ(result.DoneCount(), 0u);
        EXPECT_FALSE(HasTemporaryName(dir.path()));
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
}

TEST_F(TreloBatch, CycleSourceDeletedUnderTheOperationIsTurnedBack) {
    Make({{"x", "X"}, {"y", "Y"}, {"z", "Z"}});
    BatchOptions options;
    // Someone deletes z just before it moves: x comes back from its temporary name.
    options.beforeStep = [&](size_t item, std::string_view step) {
        if (item == 2 && step == "move") unlink((dir / "z").c_str());
        return 0;
    };
    BatchResult result = Run({Rename("x", "y"), Rename("y", "z"), Rename("z", "x")}, options);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kNotRun, kNotRun, kFailed}));
    EXPECT_EQ(Snapshot(dir.path()), "x=X;y=Y;");
}

TEST_F(TreloBatch, NameTakenUnderTheOperationIsNotReplaced) {
    Make({{"a", "A"}});
    BatchOptions options;
    options.beforeStep = [&](size_t, std::string_view step) {
        if (step == "move") WriteFile(dir / "b", "someone else's");
        return 0;
    };
    BatchResult result = Run({Rename("a", "b")}, options);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kFailed}));
    EXPECT_EQ(result.items[0].reason, "File exists");
    EXPECT_EQ(Snapshot(dir.path()), "a=A;b=someone else's;");
}

TEST_F(TreloBatch, StopPartWayLeavesNoTemporaryName) {
    Make({{"a", "A"}, {"b", "B"}, {"x", "X"}, {"y", "Y"}, {"z", "Z"}});
    StopAfter stop(1);  // the swap goes, then the stop comes
    BatchResult result = RunBatch(
        BatchMode::Move,
        {Rename("a", "b"), Rename("b", "a"), Rename("x", "y"), Rename("y", "z"), Rename("z", "x")},
        questions, stop);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kDone, kDone, kNotRun, kNotRun, kNotRun}));
    EXPECT_EQ(result.items[2].reason, "Cancelled");
    EXPECT_EQ(stop.max, 5);
    EXPECT_EQ(stop.value, 2);
    EXPECT_EQ(Snapshot(dir.path()), "a=B;b=A;x=X;y=Y;z=Z;");
}

TEST_F(TreloBatch, DryRunTouchesNothingAndAsksNothing) {
    Make({{"a", "A"}, {"t", "T"}});
    BatchOptions options;
    options.dryRun = true;
    BatchResult result = Run({Rename("a", "t")}, options);
    EXPECT_EQ(result.items[0].state, kNotRun);
    EXPECT_NE(result.items[0].reason.find("would ask before replacing"), std::string::npos);
    EXPECT_EQ(Snapshot(dir.path()), "a=A;t=T;");
}

TEST_F(TreloBatch, SameFileUnderAnotherPathOfTheListIsRefused) {
    // "t" is another name of b, which is in the batch too: replacing it would lose b's file.
    Make({{"a", "A"}, {"b", "B"}});
    ASSERT_EQ(link((dir / "b").c_str(), (dir / "t").c_str()), 0);
    BatchResult result = Run({Rename("a", "t"), Rename("b", "c")});
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(Snapshot(dir.path()), "a=A;b=B;t=B;");
}

// ----- copies -----

TEST_F(TreloBatch, CopyIntoAMissingFolderIsAsked) {
    Make({{"a.jpg", "A"}, {"b.jpg", "B"}});
    ASSERT_EQ(chmod((dir / "a.jpg").c_str(), 0640), 0);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "a.jpg").c_str(), old, 0), 0);
    const std::string destination = dir / "new/sub";
    std::vector<BatchItem> items = {{dir / "a.jpg", destination, "1.jpg"},
                                    {dir / "b.jpg", destination, "2.jpg"}};

    questions.folderReplies = {false};
    BatchResult refused = Run(items, {}, BatchMode::Copy);
    EXPECT_TRUE(refused.cancelled);
    EXPECT_EQ(questions.foldersAsked, std::vector<std::string>{destination});
    EXPECT_FALSE(Exists(dir / "new"));

    questions.folderReplies = {true};
    BatchResult result = Run(items, {}, BatchMode::Copy);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(destination), "1.jpg=A;2.jpg=B;");
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "A");  // the sources stay
    struct stat st {};
    ASSERT_EQ(stat((destination + "/1.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtime, 1000000000);
}

TEST_F(TreloBatch, CopyOverAnExistingFileIsAsked) {
    TempFolder dest;
    Make({{"a", "A"}, {"b", "B"}});
    WriteFile(dest / "1", "old one");
    questions.replies = {ReplaceAnswer::No};
    std::vector<BatchItem> items = {{dir / "a", dest.path(), "1"}, {dir / "b", dest.path(), "2"}};
    BatchResult result = Run(items, {}, BatchMode::Copy);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kSkipped, kDone}));
    EXPECT_EQ(Snapshot(dest.path()), "1=old one;2=B;");

    questions.replies = {ReplaceAnswer::Yes};
    result = Run({items[0]}, {}, BatchMode::Copy);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dest.path()), "1=A;2=B;");
}

TEST_F(TreloBatch, FailedCopyLeavesNoHalfFile) {
    TempFolder dest;
    Make({{"a", std::string(3 << 20, 'a').c_str()}, {"b", "B"}});
    BatchOptions options;
    options.beforeStep = [](size_t item, std::string_view step) {
        return item == 0 && step == "copy data" ? ENOSPC : 0;  // the disk fills after writing
    };
    std::vector<BatchItem> items = {{dir / "a", dest.path(), "1"}, {dir / "b", dest.path(), "2"}};
    BatchResult result = Run(items, options, BatchMode::Copy);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kFailed, kDone}));
    EXPECT_EQ(result.items[0].reason, "No space left on device");
    EXPECT_EQ(Names(dest.path()), std::vector<std::string>{"2"});
}

TEST_F(TreloBatch, CopySwapInOneFolderReadsBeforeItReplaces) {
    Make({{"a", "A"}, {"b", "B"}});
    questions.replies = {ReplaceAnswer::YesToAll};
    BatchResult result =
        Run({{dir / "a", dir.path(), "b"}, {dir / "b", dir.path(), "a"}}, {}, BatchMode::Copy);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(dir.path()), "a=B;b=A;");
}

TEST_F(TreloBatch, CopyOfAFolderOrPipeFails) {
    TempFolder dest;
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir / "p").c_str(), 0644), 0);  // nobody writes it: opening must not wait
    BatchResult result =
        Run({{dir / "d", dest.path(), "x"}, {dir / "p", dest.path(), "y"}}, {}, BatchMode::Copy);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kFailed, kFailed}));
    EXPECT_EQ(result.items[0].reason, "Is a directory");
    EXPECT_EQ(result.items[1].reason, "Not a regular file");
    EXPECT_TRUE(Names(dest.path()).empty());
}

// ----- across file systems: a tmpfs under /dev/shm against the work folder -----

class TreloCrossDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        struct stat shm {
        }, work{};
        if (stat("/dev/shm", &shm) != 0 || !ok(stat(".", &work)) || shm.st_dev == work.st_dev)
            GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    static bool ok(int rc) { return rc == 0; }
};

TEST_F(TreloCrossDevice, MoveFromTmpfsToWorkAndBack) {
    TempFolder shm("/dev/shm");
    TempFolder work(std::filesystem::current_path().string());
    ASSERT_TRUE(shm.ok() && work.ok());
    const std::string big(5 << 20, 'x');
    WriteFile(shm / "big", big);
    WriteFile(shm / "small", "s");
    ASSERT_EQ(chmod((shm / "small").c_str(), 0604), 0);
    WriteFile(work / "w", "from work");
    ScriptedQuestions questions;

    BatchResult there =
        RunBatch(BatchMode::Move,
                 {{shm / "big", work.path(), "big.bin"}, {shm / "small", work.path(), "small.txt"}},
                 questions);
    EXPECT_TRUE(there.ok());
    EXPECT_EQ(ReadFile(work / "big.bin"), big);
    EXPECT_EQ(ReadFile(work / "small.txt"), "s");
    struct stat st {};
    ASSERT_EQ(stat((work / "small.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_TRUE(Names(shm.path()).empty());

    BatchResult back = RunBatch(BatchMode::Move, {{work / "w", shm.path(), "w"}}, questions);
    EXPECT_TRUE(back.ok());
    EXPECT_EQ(Snapshot(shm.path()), "w=from work;");
    EXPECT_EQ(Names(work.path()), (std::vector<std::string>{"big.bin", "small.txt"}));
}

TEST_F(TreloCrossDevice, ExistingTargetOnTheOtherDiskIsAskedAndNoKeepsBoth) {
    TempFolder shm("/dev/shm");
    TempFolder work(std::filesystem::current_path().string());
    WriteFile(shm / "a", "A");
    WriteFile(work / "a", "old");
    ScriptedQuestions questions;
    questions.replies = {ReplaceAnswer::No};
    BatchResult result = RunBatch(BatchMode::Move, {{shm / "a", work.path(), "a"}}, questions);
    EXPECT_EQ(States(result), (std::vector<ItemState>{kSkipped}));
    EXPECT_EQ(Snapshot(shm.path()), "a=A;");
    EXPECT_EQ(Snapshot(work.path()), "a=old;");
}

TEST_F(TreloCrossDevice, FailedCrossMoveKeepsTheSourceAndLeavesNoCopy) {
    TempFolder shm("/dev/shm");
    TempFolder work(std::filesystem::current_path().string());
    WriteFile(shm / "a", std::string(1 << 20, 'a'));
    WriteFile(shm / "b", "B");
    for (const char* failing : {"copy data", "delete source"}) {
        SCOPED_TRACE(failing);
        BatchOptions options;
        options.beforeStep = [&](size_t item, std::string_view step) {
            return item == 0 && step == failing ? EIO : 0;
        };
        ScriptedQuestions questions;
        BatchResult result = RunBatch(BatchMode::Move, {{shm / "a", work.path(), "a2"}}, questions,
                                      NoProgress(), options);
        EXPECT_EQ(States(result), (std::vector<ItemState>{kFailed}));
        EXPECT_EQ(ReadFile(shm / "a"), std::string(1 << 20, 'a'));
        EXPECT_TRUE(Names(work.path()).empty());
    }
}

TEST_F(TreloCrossDevice, CycleAcrossTwoDisks) {
    TempFolder shm("/dev/shm");
    TempFolder work(std::filesystem::current_path().string());
    WriteFile(shm / "p", "P");
    WriteFile(work / "q", "Q");
    ScriptedQuestions questions;
    BatchResult result = RunBatch(
        BatchMode::Move, {{shm / "p", work.path(), "q"}, {work / "q", shm.path(), "p"}}, questions);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(shm.path()), "p=Q;");
    EXPECT_EQ(Snapshot(work.path()), "q=P;");
}

TEST_F(TreloCrossDevice, CaseOnlyRenameOnTmpfs) {
    TempFolder shm("/dev/shm");
    WriteFile(shm / "IMG.JPG", "pixels");
    ScriptedQuestions questions;
    BatchResult result =
        RunBatch(BatchMode::Move, {{shm / "IMG.JPG", shm.path(), "img.jpg"}}, questions);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(Snapshot(shm.path()), "img.jpg=pixels;");
}

}  // namespace
