#include "editor/core/StringBuffer.h"

#include <algorithm>
#include <cstring>

#include "helpers/core/TextUtil.h"

namespace morv {

bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

long FindInText(std::string_view text, std::string_view what, long start, long end, int flags) {
    const long size = long(text.size());
    if (end < 0 || end > size) end = size;
    if (start < 0) start = 0;
    if (what.empty() || start > end || long(what.size()) > end - start) return -1;
    std::string_view range = text.substr(0, size_t(end));
    const bool matchCase = (flags & kFindMatchCase) != 0;
    const bool wholeWord = (flags & kFindWholeWord) != 0;
    size_t pos = size_t(start);
    IgnoreCaseFinder finder(range, what);  // one finder for the whole-word loop's retries
    while (true) {
        pos = matchCase ? range.find(what, pos) : finder.Next(pos);
        if (pos == std::string_view::npos) return -1;
        if (!wholeWord) return long(pos);
        const size_t after = pos + what.size();
        const bool boundaryBefore = pos == 0 || !IsWordByte((unsigned char)text[pos - 1]);
        const bool boundaryAfter = after >= text.size() || !IsWordByte((unsigned char)text[after]);
        if (boundaryBefore && boundaryAfter) return long(pos);
        ++pos;
    }
}

StringBuffer::StringBuffer(std::string text) : text_(std::move(text)) {}

long StringBuffer::Clamp(long offset) const {
    return std::clamp(offset, 0L, long(text_.size()));
}

long StringBuffer::Find(std::string_view what, long start, long end, int flags) {
    long at = FindInText(text_, what, start, end, flags);
    if (at >= 0 && (flags & kFindNoSelect) == 0) Select(at, long(what.size()));
    return at;
}

void StringBuffer::Select(long start, long length) {
    selStart_ = Clamp(start);
    long end = length >= 0 ? Clamp(selStart_ + std::min(length, kEndOfText)) : selStart_;
    selLength_ = end - selStart_;
}

std::string StringBuffer::SelectedText() const {
    return text_.substr(size_t(selStart_), size_t(selLength_));
}

void StringBuffer::ReplaceSelection(std::string_view text) {
    text_.replace(size_t(selStart_), size_t(selLength_), text);
    selStart_ += long(text.size());
    selLength_ = 0;
    linesValid_ = false;
}

void StringBuffer::ExtendSelectionOverNotIn(std::string_view stopChars) {
    size_t end = size_t(selStart_ + selLength_);
    size_t stop = text_.find_first_of(stopChars, end);
    if (stop == std::string::npos) stop = text_.size();
    selLength_ = long(stop) - selStart_;
}

void StringBuffer::MoveCaretBackToAny(std::string_view chars) {
    long caret = selStart_;
    size_t at = caret == 0 ? std::string::npos : text_.find_last_of(chars, size_t(caret - 1));
    SetCaret(at == std::string::npos ? 0 : long(at) + 1);
}

void StringBuffer::IndexLines() const {
    if (linesValid_) return;
    lineStarts_.clear();
    lineStarts_.push_back(0);
    const char* data = text_.data();
    const size_t size = text_.size();
    size_t pos = 0;
    while (pos + 1 < size) {
        const void* cr = std::memchr(data + pos, '\r', size - pos - 1);
        if (cr == nullptr) break;
        pos = size_t(static_cast<const char*>(cr) - data);
        if (data[pos + 1] == '\n') {
            lineStarts_.push_back(long(pos + 2));
            pos += 2;
        } else {
            ++pos;
        }
    }
    linesValid_ = true;
}

long StringBuffer::LineCount() const {
    IndexLines();
    return long(lineStarts_.size());
}

long StringBuffer::LineFromOffset(long offset) const {
    IndexLines();
    offset = Clamp(offset);
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    return long(it - lineStarts_.begin()) - 1;
}

long StringBuffer::LineStart(long line) const {
    IndexLines();
    if (line < 0 || line >= long(lineStarts_.size())) return -1;
    return lineStarts_[size_t(line)];
}

long StringBuffer::LineLength(long line) const {
    IndexLines();
    if (line < 0 || line >= long(lineStarts_.size())) return 0;
    long start = lineStarts_[size_t(line)];
    long next = line + 1 < long(lineStarts_.size()) ? lineStarts_[size_t(line + 1)] - 2
                                                    : long(text_.size());
    return next - start;
}

void StringBuffer::SetText(std::string_view text) {
    text_.assign(text);
    selStart_ = 0;
    selLength_ = 0;
    linesValid_ = false;
}

}  // namespace morv
