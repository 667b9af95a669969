#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Removes name below the folder handle parent with everything in it, through folder handles, so
// that trees deeper than the longest path the system takes go too.
inline void RemoveTreeAt(int parent, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr) {
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir)) {
            const std::string n = entry->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        for (const std::string& n : names)
            if (unlinkat(fd, n.c_str(), 0) != 0) RemoveTreeAt(fd, n.c_str());
        closedir(dir);
    } else if (fd >= 0) {
        close(fd);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

// A fresh folder under the temporary folder, removed with everything in it at the end of a test.
class TempTree {
  public:
    TempTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvtestXXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~TempTree() { RemoveTreeAt(AT_FDCWD, root_.c_str()); }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    // Writes a file (creating its folders) and returns its full path.
    std::string Write(const std::string& relative, const std::string& bytes = {}) const {
        std::string path = Path(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The bytes of a file, or "<missing>".
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The names in the root folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Folder(const std::string& relative) const {
        std::string path = Path(relative);
        std::filesystem::create_directories(path);
        return path;
    }

  private:
    std::string root_;
};

// The number of entries in a folder whose names do not start with '.'.
inline int CountVisibleEntries(const std::string& folder) {
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.' ? 1 : 0;
        closedir(dir);
    }
    return count;
}
