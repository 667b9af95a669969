#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/EnvVar.h"

// Real folders on disk for the renamer's tests.
namespace renamer_test {

// A new empty folder under base (the system's temporary folder by default), removed with
// everything in it when the object goes.
class TempFolder {
  public:
    explicit TempFolder(const std::string& base = "") {
        std::string root = base;
        if (root.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            root = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        }
        std::string pattern = root + "/trelo-test-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Every name in a folder, hidden ones too, sorted.
inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// "name=content" for every file of a folder, sorted: one value that shows the whole folder.
inline std::string Snapshot(const std::string& folder) {
    std::string text;
    for (const std::string& name : Names(folder))
        text += name + "=" + ReadFile(folder + "/" + name) + ";";
    return text;
}

// A home of its own: XDG_STATE_HOME (where the batch journals go) and HOME point into a new
// temporary folder for the life of the object, so that no test writes to the real home.
class StateHome {
  public:
    std::string journals() const { return folder_ / "state/trellin"; }
    const TempFolder& folder() const { return folder_; }

  private:
    TempFolder folder_;
    EnvVar state_{"XDG_STATE_HOME", (folder_ / "state").c_str()};
    EnvVar home_{"HOME", (folder_ / "home").c_str()};
};

}  // namespace renamer_test
