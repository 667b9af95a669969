#include "extract/core/ListFile.h"

namespace morv {

std::vector<std::string> ParseListFile(std::string_view bytes) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t cr = bytes.find('\r', start);
        size_t end = cr == std::string_view::npos ? bytes.size() : cr;
        if (end > start) entries.emplace_back(bytes.substr(start, end - start));
        if (cr == std::string_view::npos) break;
        start = cr + 1;
        if (start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return entries;
}

std::string FormatListFile(const std::vector<std::string>& entries) {
    std::string text;
    size_t size = 0;
    for (const std::string& entry : entries)
        size += entry.size() + 2;
    text.reserve(size);
    for (const std::string& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

Result<std::vector<std::string>> ReadListFile(const std::string& path, const ReadOptions& options) {
    Result<std::string> bytes = ReadFile(path, options);
    if (!bytes) return bytes.error();
    return ParseListFile(bytes.value());
}

Status WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    return WriteWholeFile(path, FormatListFile(entries));
}

}  // namespace morv
