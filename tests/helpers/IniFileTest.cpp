#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "helpers/core/IniFile.h"

using namespace morv;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("morv-ini-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        ini_.FileName = (folder_ / "morv.ini").string();
        ini_.AppName = "Main";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void WriteFile(const std::string& content) {
        std::ofstream(ini_.FileName, std::ios::binary) << content;
    }
    std::string ReadFile() {
        std::ifstream in(ini_.FileName, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path folder_;
    cINI ini_;
};

TEST_F(IniFileTest, ReadRules) {
    WriteFile(
        "Width=1\r\n"  // before the first section: ignored
        "; comment\r\n"
        "[main]\r\n"
        "  Width  =  9720  \r\n"
        "width=1111\r\n"
        "Quoted=\"  a b  \"\r\n"
        "Single='x'\r\n"
        "Mixed=\"x'\r\n"
        "Empty=\r\n"
        "Eq=a=b\r\n"
        "  ;Height=5\r"
        "Top=7\n"
        "NoEquals\r\n"
        "[ Main ]\r\n"
        "Left=3\r\n"
        "[Other]\r\n"
        "Height=4\r\n");
    struct Row {
        const char* key;
        const char* fallback;
        std::string expected;
    } rows[] = {
        {"Width", "d", "9720"},      // names trimmed, case ignored, first key wins
        {"WIDTH", "d", "9720"},      //
        {"Quoted", "d", "  a b  "},  // one pair of outer quotes stripped, inner blanks kept
        {"Single", "d", "x"},        //
        {"Mixed", "d", "\"x'"},      // quotes that do not match stay
        {"Empty", "d", ""},          // present and empty: not the default
        {"Eq", "d", "a=b"},          // value is everything after the first "="
        {"Height", "d", "d"},        // commented out here, and another section's key
        {"Top", "d", "7"},           // a lone CR and a lone LF end lines
        {"NoEquals", "d", "d"},      //
        {"Left", "d", "d"},          // the first of duplicate sections wins
        {"Missing", "", ""},         //
    };
    for (const Row& row : rows)
        EXPECT_EQ(ini_.GetINI(row.key, row.fallback), row.expected) << row.key;
    ini_.AppName = "OTHER";
    EXPECT_EQ(ini_.GetINI("height"), "4");
    ini_.AppName = "Nowhere";
    EXPECT_EQ(ini_.GetINI("Width", "9720"), "9720");
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    EXPECT_EQ(ini_.GetINI("Width", "9720"), "9720");
    EXPECT_EQ(ini_.GetINI("Width"), "");
}

TEST_F(IniFileTest, ReadsAreCutTo265Characters) {
    std::string longValue(300, 'p');
    WriteFile("[Main]\r\nLastPath=" + longValue + "\r\n");
    EXPECT_EQ(ini_.GetINI("LastPath"), std::string(265, 'p'));
    EXPECT_EQ(ini_.GetINI("Other", longValue), std::string(265, 'p'));
}

TEST_F(IniFileTest, WritesCreateFileSectionAndKey) {
    EXPECT_NE(ini_.SetINI("Width", "9720"), 0);
    ini_.AppName = "General";
    EXPECT_NE(ini_.SetINI("Version", "1.0"), 0);
    ini_.AppName = "Main";
    EXPECT_NE(ini_.SetINI("Height", "8010"), 0);
    EXPECT_EQ(ReadFile(), "[Main]\r\nWidth=9720\r\nHeight=8010\r\n[General]\r\nVersion=1.0\r\n");
}

TEST_F(IniFileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
    WriteFile(
        "junk before\n"
        "[General]\n"
        "; keep me\n"
        "LastPath = /old\n"
        "\n"
        "[main]\n"
        "WIDTH = 1\n"
        "Other=x\n"
        "\n"
        "[Extract]\n"
        "Tag(0)=1");
    ini_.SetINI("Width", "9720");
    ini_.SetINI("Top", "5");  // new key after the section's last non-blank line
    ini_.AppName = "Fix";
    ini_.SetINI("Root", "site");
    EXPECT_EQ(ReadFile(),
              "junk before\r\n"
              "[General]\r\n"
              "; keep me\r\n"
              "LastPath = /old\r\n"
              "\r\n"
              "[main]\r\n"
              "Width=9720\r\n"
              "Other=x\r\n"
              "Top=5\r\n"
              "\r\n"
              "[Extract]\r\n"
              "Tag(0)=1\r\n"
              "[Fix]\r\n"
              "Root=site\r\n");
}

TEST_F(IniFileTest, ValuesReadBackAsWritten) {
    const std::string values[] = {"", "9720", "-15", "/My Files/site", "a=b;c", "é ü"};
    for (const std::string& value : values) {
        ini_.SetINI("Key", value);
        EXPECT_EQ(ini_.GetINI("Key", "default"), value);
    }
    // A line break cannot live in one line: it is written as a blank, never as a new line.
    ini_.SetINI("Key", "a\r\n[Evil]\nb");
    EXPECT_EQ(ini_.GetINI("Key"), "a  [Evil] b");
    ini_.AppName = "Evil";
    EXPECT_EQ(ini_.GetINI("b", "none"), "none");
}

TEST_F(IniFileTest, GarbageAndHugeLinesDoNotBreakReadsOrWrites) {
    std::string garbage = "\x01\x02\xff\xfe[[[==]]\0\0\0"s + std::string(10 * 1024 * 1024, 'x') +
                          "\r\n[Main]\r\nWidth=5\r\n";
    WriteFile(garbage);
    EXPECT_EQ(ini_.GetINI("Width"), "5");
    EXPECT_NE(ini_.SetINI("Width", "6"), 0);
    EXPECT_EQ(ini_.GetINI("Width"), "6");
    EXPECT_GT(fs::file_size(ini_.FileName), 10u * 1024 * 1024);
}

TEST_F(IniFileTest, WriteIsAtomicAndKeepsPermissionsAndLinks) {
    WriteFile("[Main]\r\nWidth=1\r\n");
    chmod(ini_.FileName.c_str(), 0640);
    fs::path real = folder_ / "real.ini";
    fs::rename(ini_.FileName, real);
    fs::create_symlink(real, ini_.FileName);
    ini_.SetINI("Width", "2");
    EXPECT_TRUE(fs::is_symlink(ini_.FileName));
    EXPECT_EQ(ini_.GetINI("Width"), "2");
    struct stat st {};
    stat(real.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    int files = 0;
    for (auto& entry : fs::directory_iterator(folder_))
        files += entry.is_symlink() ? 0 : 1;
    EXPECT_EQ(files, 1);
}

TEST_F(IniFileTest, UnwritableFolderFailsQuietly) {
    ini_.FileName = (folder_ / "missing" / "morv.ini").string();
    EXPECT_EQ(ini_.SetINI("Width", "1"), 0);
    EXPECT_EQ(ini_.GetINI("Width", "9720"), "9720");
}

}  // namespace
