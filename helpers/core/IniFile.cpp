#include "helpers/core/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) != 0) return std::nullopt;
    return bytes;
}
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string_view TrimNameOrValue(std::string_view text) {
    return TrimSpacesAndTabs(text);
}

// The section name of a header line "[name]", or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    std::string_view t = TrimNameOrValue(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    size_t close = t.find(']');
    if (close != std::string_view::npos) t = t.substr(0, close);
    return TrimNameOrValue(t);
}

bool IsComment(std::string_view line) {
    std::string_view t = TrimNameOrValue(line);
    return !t.empty() && t.front() == ';';
}

// Splits "key = value" into its trimmed parts; false for a line without "=".
bool KeyAndValue(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimNameOrValue(line.substr(0, eq));
    value = TrimNameOrValue(line.substr(eq + 1));
    return true;
}

std::string_view StripOuterQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Where a section and a key stand among the lines.
struct Location {
    long sectionLine = -1;  // the header line, -1 when the section is missing
    long lastLine = -1;     // the last non-blank line of the section (the header if none)
    long keyLine = -1;      // the key's line, -1 when the key is missing
};

Location Locate(const std::vector<std::string_view>& lines, std::string_view section,
                std::string_view key) {
    Location at;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines[i]);
        if (at.sectionLine >= 0) {
            if (name) break;  // the next section ends ours
            if (!TrimNameOrValue(lines[i]).empty()) at.lastLine = long(i);
            if (at.keyLine >= 0 || IsComment(lines[i])) continue;
            std::string_view k, v;
            if (KeyAndValue(lines[i], k, v) && EqualsIgnoreCase(k, key)) at.keyLine = long(i);
        } else if (name && EqualsIgnoreCase(*name, section)) {
            at.sectionLine = at.lastLine = long(i);
        }
    }
    return at;
}

// Holds an exclusive advisory lock on a folder for the life of the object.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder) {
        fd_ = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_ = -1;
};

// Writes content to path through a temporary file in the same folder and a rename, keeping the
// permissions of the file it replaces. A symbolic link stays a link: its target is replaced.
bool WriteAtomically(const std::string& path, const std::string& content) {
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat linkInfo {};
    if (lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode) &&
        realpath(path.c_str(), resolved) != nullptr) {
        target = resolved;
    }
    std::string folder = GetFolderName(target, false);
    std::string temp = (folder.empty() && target.front() != '/' ? std::string() : folder + "/") +
                       "." + GetFileName(target) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    struct stat old {};
    fchmod(fd, stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    size_t written = 0;
    while (written < content.size()) {
        ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += size_t(n);
    }
    bool ok = written == content.size() && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

}  // namespace

std::string cINI::GetINI(std::string_view keyName, std::string_view defaultValue) const {
    std::string value(defaultValue);
    if (std::optional<std::string> content = ReadWholeFile(FileName)) {
        std::vector<std::string_view> lines = SplitLines(*content);
        Location at = Locate(lines, TrimNameOrValue(AppName), TrimNameOrValue(keyName));
        std::string_view k, v;
        if (at.keyLine >= 0 && KeyAndValue(lines[size_t(at.keyLine)], k, v)) {
            value = std::string(StripOuterQuotes(v));
        }
    }
    if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
    return value;
}

int cINI::SetINI(std::string_view keyName, std::string_view keyValue) const {
    std::string section(TrimNameOrValue(AppName));
    std::string key(TrimNameOrValue(keyName));
    if (FileName.empty() || section.empty() || key.empty()) return 0;
    std::string value(keyValue);
    for (char& c : value) {
        if (c == '\r' || c == '\n') c = ' ';
    }

    FolderLock lock(GetFolderName(FileName, false));
    std::string content = ReadWholeFile(FileName).value_or(std::string());
    std::vector<std::string_view> lines = SplitLines(content);
    Location at = Locate(lines, section, key);
    std::string keyLine = key + "=" + value;

    std::vector<std::string_view> out(lines.begin(), lines.end());
    std::string header = "[" + section + "]";
    if (at.keyLine >= 0) {
        out[size_t(at.keyLine)] = keyLine;
    } else if (at.sectionLine >= 0) {
        out.insert(out.begin() + at.lastLine + 1, keyLine);
    } else {
        out.push_back(header);
        out.push_back(keyLine);
    }
    std::string result;
    result.reserve(content.size() + keyLine.size() + header.size() + 8);
    for (std::string_view line : out) {
        result += line;
        result += "\r\n";
    }
    return WriteAtomically(FileName, result) ? 1 : 0;
}

}  // namespace morv
