#include <cstdlib>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "renamer/core/RenamerSettings.h"
#include "tests/support/EnvVar.h"

using namespace morv::renamer;
using namespace renamer_test;

namespace {

TEST(TreloSettings, FirstStartGivesTheDefaults) {
    TempFolder dir;
    RenamerSettings settings = LoadRenamerSettings(dir / "trelo.ini", 4000, 3000);
    EXPECT_EQ(settings.left, 4000);
    EXPECT_EQ(settings.top, 3000);
    EXPECT_EQ(settings.nameTemplate, "File [###] (*)");
    EXPECT_EQ(settings.saveIn, "");
    EXPECT_EQ(settings.onTop, true);
    EXPECT_FALSE(settings.links.on);
}

TEST(TreloSettings, WrittenInOrderAndReadBack) {
    TempFolder dir;
    const std::string file = dir / "trelo.ini";
    SaveRenamerSettings(file, 1200, -300, "Photo ###", "", false,
                        {true, "/srv/site", "http://a/ http://b/"});
    EXPECT_EQ(ReadFile(file),
              "[General]\r\nOnTop=0\r\nLeft=1200\r\nTop=-300\r\nTemplate=Photo ###\r\nSaveIn=\r\n"
              "UpdateLinks=1\r\nSiteFolder=/srv/site\r\nSiteAddresses=http://a/ http://b/\r\n");
    RenamerSettings settings = LoadRenamerSettings(file, 1, 1);
    EXPECT_EQ(settings.left, 1200);
    EXPECT_EQ(settings.top, -300);
    EXPECT_EQ(settings.nameTemplate, "Photo ###");
    EXPECT_EQ(settings.saveIn, "");  // written although never used, and read as empty
    EXPECT_EQ(settings.onTop, false);
    EXPECT_TRUE(settings.links.on);
    EXPECT_EQ(settings.links.folder, "/srv/site");
    EXPECT_EQ(settings.links.addresses, "http://a/ http://b/");
}

TEST(TreloSettings, LongTemplateIsCut) {
    TempFolder dir;
    const std::string file = dir / "trelo.ini";
    SaveRenamerSettings(file, 0, 0, std::string(300, 't'), " /backup ", true);
    RenamerSettings settings = LoadRenamerSettings(file, 0, 0);
    EXPECT_EQ(settings.nameTemplate, std::string(265, 't'));
    EXPECT_EQ(settings.onTop, true);
}

TEST(TreloSettings, ValuesThatAreNoNumbersAreSkipped) {
    TempFolder dir;
    const std::string file = dir / "trelo.ini";
    WriteFile(file, "[General]\nLeft=abc\nTop=12.5\nOnTop=yes\nTemplate=T#\nSaveIn=/out\n");
    RenamerSettings settings = LoadRenamerSettings(file, 7, 7);
    EXPECT_FALSE(settings.left.has_value());
    EXPECT_EQ(settings.top, 12);  // rounded, ties to even
    EXPECT_FALSE(settings.onTop.has_value());
    EXPECT_EQ(settings.nameTemplate, "T#");
    EXPECT_EQ(settings.saveIn, "/out");
}

TEST(TreloSettings, MakePath) {
    struct Row {
        const char* drv;
        const char* subdir;
        const char* path;
    } rows[] = {
        {"/opt/trelo", "trelo.ini", "/opt/trelo/trelo.ini"},
        {"/opt/trelo///", "//trelo.ini", "/opt/trelo/trelo.ini"},
        {"", "x", "/x"},
        {"/a", "", "/a/"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(cRegINI::MakePath(row.drv, row.subdir), row.path) << row.drv;
}

TEST(TreloSettings, CentredPositionRoundsTiesToEven) {
    EXPECT_EQ(CentredPosition(19200, 6360), 6420);
    EXPECT_EQ(CentredPosition(15, 10), 2);  // 7.5 - 5 = 2.5
    EXPECT_EQ(CentredPosition(17, 10), 4);  // 8.5 - 5 = 3.5
}

TEST(TreloSettings, FileBesideTheProgramOrInTheConfigFolder) {
    TempFolder dir;
    EXPECT_EQ(SettingsFilePath(dir.path()), dir / "trelo.ini");
    // A program folder that cannot be written: the user's configuration folder.
    EnvVar config("XDG_CONFIG_HOME", dir.path().c_str());
    EXPECT_EQ(SettingsFilePath(dir / "no/such/folder"), dir / "trellin/trelo.ini");
    EXPECT_TRUE(Exists(dir / "trellin"));
}

}  // namespace
