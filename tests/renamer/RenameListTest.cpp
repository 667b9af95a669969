#include <filesystem>

#include <gtest/gtest.h>

#include "renamer/core/RenameList.h"

using namespace morv;
using namespace morv::renamer;

namespace {

// The list's entries become the batch the window and the tool run: a move never leaves the
// file's own folder, whatever form its path has.
TEST(TreloRenameList, BatchItemsOfTheList) {
    const std::string here = std::filesystem::current_path().string();
    struct Row {
        const char* name;
        BatchMode mode;
        ListPaths paths;
        std::string path, destination;
        std::string source, folder;  // expected
    } rows[] = {
        {"in a folder", BatchMode::Move, ListPaths::CurrentFolder, "/p/a.txt", "", "/p/a.txt",
         "/p"},
        {"at the root", BatchMode::Move, ListPaths::CurrentFolder, "/a.txt", "", "/a.txt", "/"},
        {"a bare name, from the current folder", BatchMode::Move, ListPaths::CurrentFolder, "a.txt",
         "", here + "/a.txt", here},
        {"a bare name as given stays in the current folder", BatchMode::Move, ListPaths::AsGiven,
         "a.txt", "", "a.txt", "."},
        {"dot slash", BatchMode::Move, ListPaths::CurrentFolder, "./d/a.txt", "", here + "/d/a.txt",
         here + "/d"},
        {"copy into a relative folder", BatchMode::Copy, ListPaths::CurrentFolder, "/p/a.txt",
         "out", "/p/a.txt", here + "/out"},
        {"copy as given", BatchMode::Copy, ListPaths::AsGiven, "a.txt", "out", "a.txt", "out"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FileEntry entry = MakeFileEntry(row.path);
        entry.newName = "new.txt";
        const std::vector<BatchItem> items =
            MakeBatchItems(row.mode, {entry}, row.destination, row.paths);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].source, row.source);
        EXPECT_EQ(items[0].targetFolder, row.folder);
        EXPECT_EQ(items[0].newName, "new.txt");
    }
}

}  // namespace
