#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "tests/support/EnvVar.h"

using namespace morv;

namespace {

TEST(SystemFolder, TempFolderAlwaysEndsWithSeparator) {
    {
        EnvVar tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(GetTempFolder(), "/var/tmp/");
    }
    {
        EnvVar tmp("TMPDIR", "/var/tmp/");
        EXPECT_EQ(GetTempFolder(), "/var/tmp/");
    }
    {
        EnvVar tmp("TMPDIR", nullptr);
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
    {
        EnvVar tmp("TMPDIR", "");
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
}

TEST(SystemFolder, TempFileIsNewPrivateAndPrefixed) {
    Result<std::string> first = GetTempFile();
    Result<std::string> second = GetTempFile();
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(second.ok());
    TempFileGuard a(first.value()), b(second.value());
    EXPECT_NE(first.value(), second.value());
    EXPECT_EQ(GetFileName(first.value()).rfind("MRV", 0), 0u);
    struct stat st {};
    ASSERT_EQ(stat(first.value().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SystemFolder, TempFileGuardDeletes) {
    std::string path = GetTempFile().value();
    { TempFileGuard guard(path); }
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(SystemFolder, TempFileFailureCarriesSourceAndText) {
    EnvVar tmp("TMPDIR", "/nonexistent-folder-for-test");
    Result<std::string> file = GetTempFile();
    ASSERT_FALSE(file.ok());
    EXPECT_EQ(file.error().source, "mSystemFolder::GetTempFile");
    EXPECT_EQ(file.error().description, "Unable to create temporary file");
    EXPECT_EQ(file.error().number, ENOENT);
}

TEST(SystemFolder, ApiErrorText) {
    EXPECT_EQ(GetAPIErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(GetAPIErrorText(987654), "Unknown error.");
    EXPECT_EQ(GetAPIErrorText(-1), "Unknown error.");
}

TEST(SystemFolder, SettingsFolderFallsBackToXdgConfig) {
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / ("morv-settings-" + std::to_string(getpid()));
    fs::create_directories(base / "program");
    EnvVar xdg("XDG_CONFIG_HOME", (base / "config").c_str());
    EXPECT_EQ(ChooseSettingsFolder((base / "program").string(), "morvane"),
              (base / "program").string());
    // A folder that cannot be written (root may write anywhere, so use one that is missing).
    std::string fallback = ChooseSettingsFolder((base / "missing").string(), "morvane");
    EXPECT_EQ(fallback, (base / "config" / "morvane").string());
    EXPECT_TRUE(fs::is_directory(fallback));
    fs::remove_all(base);
}

// Program folder layouts: a build tree keeps its settings beside the programs; an installed copy
// (<prefix>/bin with <prefix>/share/morvane) never writes settings into bin, even when bin can be
// written.
TEST(SystemFolder, DataFilesAndSettingsFollowTheProgramFolderLayout) {
    namespace fs = std::filesystem;
    struct Row {
        const char* name;
        bool helpBeside;
        bool dataFolder;  // <prefix>/share/morvane exists
        bool helpInData;  // <prefix>/share/morvane/html exists
        bool settingsBeside;
    };
    const Row rows[] = {
        {"build tree", true, false, false, true},
        {"build tree without help set", false, false, false, true},
        {"installed", false, true, true, false},
        {"installed without help set", false, true, false, false},
        {"help beside an installed copy wins", true, true, true, false},
    };
    const fs::path base = fs::temp_directory_path() / ("morv-layout-" + std::to_string(getpid()));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(base);
        const fs::path prefix = base / "prefix";
        fs::create_directories(prefix / "bin");
        if (row.helpBeside) fs::create_directories(prefix / "bin" / "html");
        if (row.dataFolder) fs::create_directories(prefix / "share" / "morvane");
        if (row.helpInData) fs::create_directories(prefix / "share" / "morvane" / "html");
        EnvVar xdg("XDG_CONFIG_HOME", (base / "config").c_str());

        const std::string bin = (prefix / "bin").string();
        EXPECT_EQ(IsInstalledProgramFolder(bin), row.dataFolder);
        EXPECT_EQ(ChooseSettingsFolder(bin, "trellin"),
                  row.settingsBeside ? bin : (base / "config" / "trellin").string());
        // The same with the separator the program folder may carry at its end.
        EXPECT_EQ(IsInstalledProgramFolder(bin + "/"), row.dataFolder);
    }
    fs::remove_all(base);
}

}  // namespace
