#include "helpers/core/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// A settings file larger than this is not one of ours: it reads as missing and is not written.
constexpr size_t kMaxSettingsFile = size_t(64) << 20;

Result<std::string> ReadSettingsFile(const std::string& path) {
    return ReadFile(path, ReadOptions{kMaxSettingsFile, false, {}});
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
    explicit FolderLock(const std::string& folder)
        : fd_(OpenPath(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY)) {
        if (fd_) flock(fd_.get(), LOCK_EX);
    }

  private:
    UniqueFd fd_;  // closing it releases the lock
};

}  // namespace

std::string cINI::GetINI(std::string_view keyName, std::string_view defaultValue) const {
    std::string value(defaultValue);
    if (Result<std::string> content = ReadSettingsFile(FileName)) {
        std::vector<std::string_view> lines = SplitLines(content.value());
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
    Result<std::string> read = ReadSettingsFile(FileName);
    // A file that is there but cannot be read (or is no file at all) is left as it is.
    if (!read && read.error().number != ENOENT) return 0;
    const std::string content = read ? std::move(read.value()) : std::string();
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
    return WriteWholeFile(FileName, result) ? 1 : 0;
}

}  // namespace morv
