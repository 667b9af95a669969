#include "extract/core/ListFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "extract/core/Report.h"
#include "helpers/core/SystemFolder.h"

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

Result<std::vector<std::string>> ReadListFile(const std::string& path) {
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return bytes.error();
    return ParseListFile(bytes.value());
}

Status WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    auto failure = [&path](int number) {
        return Error{
            number, "mExtract::WriteListFile",
            "Unable to write the list file \"" + path + "\" (" + GetAPIErrorText(number) + ")"};
    };
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return failure(errno);
    std::string text = FormatListFile(entries);
    std::string_view rest = text;
    while (!rest.empty()) {
        ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            int number = errno;
            ::close(fd);
            return failure(number);
        }
        rest.remove_prefix(size_t(written));
    }
    if (::close(fd) != 0) return failure(errno);
    return Ok();
}

}  // namespace morv
