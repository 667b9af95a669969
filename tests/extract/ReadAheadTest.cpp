#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempTree.h"
#include "extract/core/ReadAhead.h"
#include "extract/core/Report.h"

using namespace morv;

namespace {

// The kinds of list entry a run meets, each with what FileExists and ReadFile say of it.
struct Entry {
    const char* name;
    bool exists;
    std::string text;
};

void MakeEntries(const TempTree& tree) {
    tree.Write("page.htm", "<a href=\"x.htm\">");
    tree.Write("empty.htm", "");
    tree.Write(".hidden.htm", "hidden");
    tree.Folder("folder.htm");
    mkfifo(tree.Path("pipe.htm").c_str(), 0600);  // never written: opening it must not wait
    symlink(tree.Path("page.htm").c_str(), tree.Path("link.htm").c_str());
    symlink(tree.Path("gone.htm").c_str(), tree.Path("dangling.htm").c_str());
}

const Entry kEntries[] = {
    {"page.htm", true, "<a href=\"x.htm\">"},
    {"empty.htm", true, ""},
    {"missing.htm", false, ""},
    {".hidden.htm", false, ""},
    {"folder.htm", false, ""},
    {"pipe.htm", false, ""},
    {"link.htm", true, "<a href=\"x.htm\">"},
    {"dangling.htm", false, ""},
    {"no-such-folder/page.htm", false, ""},
};

TEST(ReadFileIfExists, AgreesWithFileExistsAndReadFile) {
    TempTree tree;
    MakeEntries(tree);
    FileBuffer buffer;
    for (const Entry& entry : kEntries) {
        SCOPED_TRACE(entry.name);
        const std::string path = tree.Path(entry.name);
        bool exists = !entry.exists;
        Status read = ReadFileIfExists(path, buffer, exists);
        EXPECT_TRUE(read);
        EXPECT_EQ(exists, entry.exists);
        EXPECT_EQ(FileExists(path), entry.exists);
        if (entry.exists) {
            EXPECT_EQ(buffer.view(), entry.text);
        }
    }
}

TEST(FileReadAhead, HandsOutEveryFileInListOrder) {
    TempTree tree;
    MakeEntries(tree);
    // Many rounds of the entries, and larger files between them, so the reader runs ahead and
    // wraps around its slots many times.
    std::vector<std::string> files;
    std::vector<const Entry*> expected;
    std::vector<std::string> bigTexts;
    for (int round = 0; round < 40; ++round) {
        for (const Entry& entry : kEntries) {
            files.push_back(tree.Path(entry.name));
            expected.push_back(&entry);
        }
        bigTexts.push_back(std::string(size_t(1000 + round * 997), char('a' + round % 26)));
        files.push_back(tree.Write("big" + std::to_string(round) + ".htm", bigTexts.back()));
        expected.push_back(nullptr);
    }
    // One reader, and several that each prepare the files they read: what a file's work made
    // is the caller's when the file is handed out.
    for (size_t threads : {size_t(1), size_t(2), size_t(3)}) {
        SCOPED_TRACE(threads);
        struct Made {
            size_t index = SIZE_MAX;
            std::string text;
        } made[FileReadAhead::kSlots];
        FileReadAhead::Options options;
        options.threads = threads;
        options.prepare = [&made](size_t index, const FileReadAhead::File& file, size_t,
                                  ProgressObserver&) {
            made[index % FileReadAhead::kSlots] = {index, std::string(file.text)};
        };
        FileReadAhead reader(files, options);
        size_t big = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(files[i]);
            const FileReadAhead::File& file = reader.Next();
            ASSERT_TRUE(file.read);
            EXPECT_EQ(made[i % FileReadAhead::kSlots].index, i);
            EXPECT_EQ(made[i % FileReadAhead::kSlots].text, file.text);
            if (expected[i] == nullptr) {
                EXPECT_TRUE(file.exists);
                EXPECT_EQ(file.text, bigTexts[big++]);
            } else {
                EXPECT_EQ(file.exists, expected[i]->exists);
                if (file.exists) {
                    EXPECT_EQ(file.text, expected[i]->text);
                }
            }
        }
    }
}

TEST(FileReadAhead, KeepsToItsByteBudget) {
    TempTree tree;
    std::vector<std::string> files;
    for (int i = 0; i < 60; ++i)
        files.push_back(tree.Write("f" + std::to_string(i) + ".htm",
                                   std::string(size_t(100 + i * 400), char('a' + i % 26))));
    // Budgets below one file, of a few files, and beyond the whole list.
    for (size_t budget : {size_t(1), size_t(3000), size_t(1) << 30}) {
        for (size_t threads : {size_t(1), size_t(2)}) {
            SCOPED_TRACE(testing::Message() << budget << " bytes, " << threads << " readers");
            FileReadAhead reader(files, FileReadAhead::Options{budget, threads, {}});
            for (int i = 0; i < 60; ++i) {
                const FileReadAhead::File& file = reader.Next();
                ASSERT_TRUE(file.exists);
                EXPECT_EQ(file.text, std::string(size_t(100 + i * 400), char('a' + i % 26)));
            }
        }
    }
}

TEST(FileReadAhead, StopsEarlyWithoutWaitingForTheRest) {
    TempTree tree;
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i)
        files.push_back(tree.Write("f" + std::to_string(i) + ".htm", std::string(5000, 'x')));
    for (size_t threads : {size_t(1), size_t(2)}) {
        for (size_t taken : {size_t(0), size_t(1), size_t(7), size_t(199)}) {
            FileReadAhead reader(files, FileReadAhead::Options{4096, threads, {}});
            for (size_t i = 0; i < taken; ++i)
                EXPECT_TRUE(reader.Next().exists);
        }  // each reader is destroyed here, part way through the list
    }
}

}  // namespace
