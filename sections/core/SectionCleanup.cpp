#include "sections/core/SectionCleanup.h"

#include <cstring>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

constexpr size_t kProgressEvery = 64 * 1024;

// Calls keep(line) for every line of text and writes the lines it accepts, each with CR LF.
template <typename Keep>
std::string FilterLines(std::string_view text, ProgressObserver& progress, Keep keep) {
    std::string out;
    out.reserve(text.size() + 2);
    const char* data = text.data();
    const size_t size = text.size();
    progress.SetMax(long(size));
    size_t pos = 0;
    size_t reported = 0;
    while (pos < size) {
        if (pos - reported >= kProgressEvery) {
            progress.SetValue(long(pos));
            reported = pos;
        }
        const void* cr = std::memchr(data + pos, '\r', size - pos);
        const size_t end = cr ? size_t(static_cast<const char*>(cr) - data) : size;
        const std::string_view line(data + pos, end - pos);
        if (keep(line)) {
            out.append(line);
            out.append("\r\n");
        }
        pos = end;
        if (pos < size) pos += (pos + 1 < size && data[pos + 1] == '\n') ? 2 : 1;
    }
    return out;
}

}  // namespace

std::string RemoveSectionAttributes(std::string_view text, ProgressObserver& progress) {
    return FilterLines(text, progress, [](std::string_view line) {
        return line.empty() ||
               FindIgnoreCase(kHeaderPrefixes, line.substr(0, 5)) == std::string_view::npos;
    });
}

std::string RemoveEmptyLines(std::string_view text, ProgressObserver& progress) {
    return FilterLines(text, progress, [](std::string_view line) { return !line.empty(); });
}

}  // namespace morv
