#include "editor/core/ChangedRange.h"

#include <algorithm>
#include <cstring>

namespace morv {

namespace {

// Large texts are compared a block at a time with memcmp, which is many times faster than a loop
// over bytes; the block that differs is then walked byte by byte.
constexpr size_t kBlock = 4096;

size_t CommonHead(std::string_view a, std::string_view b) {
    const size_t limit = std::min(a.size(), b.size());
    size_t i = 0;
    while (i + kBlock <= limit && std::memcmp(a.data() + i, b.data() + i, kBlock) == 0)
        i += kBlock;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

size_t CommonTail(std::string_view a, std::string_view b, size_t limit) {
    const char* aEnd = a.data() + a.size();
    const char* bEnd = b.data() + b.size();
    size_t n = 0;
    while (n + kBlock <= limit && std::memcmp(aEnd - n - kBlock, bEnd - n - kBlock, kBlock) == 0)
        n += kBlock;
    while (n < limit && aEnd[-long(n) - 1] == bEnd[-long(n) - 1])
        ++n;
    return n;
}

bool IsContinuation(char c) {
    return ((unsigned char)c & 0xC0) == 0x80;
}

// Does a cut at offset at of text fall inside a character or a CR LF break?
bool SplitsText(std::string_view text, size_t at) {
    if (at == 0 || at >= text.size()) return false;
    return IsContinuation(text[at]) || (text[at - 1] == '\r' && text[at] == '\n');
}

}  // namespace

ChangedRange FindChangedRange(std::string_view oldText, std::string_view newText) {
    ChangedRange range;
    range.start = CommonHead(oldText, newText);
    while (SplitsText(oldText, range.start) || SplitsText(newText, range.start))
        --range.start;
    const size_t tail =
        CommonTail(oldText, newText, std::min(oldText.size(), newText.size()) - range.start);
    range.oldEnd = oldText.size() - tail;
    range.newEnd = newText.size() - tail;
    // Both ends lie in the shared tail, so they move forwards together.
    while (SplitsText(oldText, range.oldEnd) || SplitsText(newText, range.newEnd)) {
        ++range.oldEnd;
        ++range.newEnd;
    }
    return range;
}

}  // namespace morv
