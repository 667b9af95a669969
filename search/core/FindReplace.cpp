#include "search/core/FindReplace.h"

#include <cstring>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// Finds the matches of one needle in one text for a series of searches whose starts only move
// forwards. Remembers where each case of the needle's first byte occurs next, so the whole series
// reads the text once however many matches there are.
class ForwardMatcher {
  public:
    ForwardMatcher(std::string_view text, std::string_view what, int flags)
        : text_(text),
          what_(what),
          matchCase_((flags & kFindMatchCase) != 0),
          wholeWord_((flags & kFindWholeWord) != 0) {
        if (!what_.empty()) {
            first_[0].byte = matchCase_ ? what_[0] : AsciiLower(what_[0]);
            first_[1].byte = matchCase_ ? what_[0] : AsciiUpper(what_[0]);
        }
    }

    // Offset of the first match at or after from, or npos.
    size_t Next(size_t from) {
        if (what_.empty() || what_.size() > text_.size()) return npos;
        const size_t lastStart = text_.size() - what_.size();
        while (from <= lastStart) {
            const size_t a = first_[0].Next(text_, from);
            const size_t b = first_[1].byte == first_[0].byte ? npos : first_[1].Next(text_, from);
            const size_t at = a < b ? a : b;
            if (at == npos || at > lastStart) return npos;
            if (RestMatches(at) && (!wholeWord_ || IsWholeWord(at))) return at;
            from = at + 1;
        }
        return npos;
    }

  private:
    static constexpr size_t npos = std::string_view::npos;

    // The next occurrence of one byte at or after a position, remembered between calls.
    struct ByteCursor {
        char byte = 0;
        size_t scannedFrom = npos;  // the cache is valid for starts in [scannedFrom, hit]
        size_t hit = npos;
        size_t Next(std::string_view text, size_t from) {
            if (scannedFrom != npos && from >= scannedFrom && (hit == npos || from <= hit))
                return hit;
            scannedFrom = from;
            const void* p = from < text.size()
                                ? std::memchr(text.data() + from, byte, text.size() - from)
                                : nullptr;
            hit = p ? size_t(static_cast<const char*>(p) - text.data()) : npos;
            return hit;
        }
    };

    bool RestMatches(size_t at) const {
        const char* p = text_.data() + at;
        if (matchCase_) return std::memcmp(p, what_.data(), what_.size()) == 0;
        for (size_t i = 1; i < what_.size(); ++i)
            if (AsciiLower(p[i]) != AsciiLower(what_[i])) return false;
        return true;
    }

    bool IsWholeWord(size_t at) const {
        const size_t after = at + what_.size();
        return (at == 0 || !IsWordByte((unsigned char)text_[at - 1])) &&
               (after >= text_.size() || !IsWordByte((unsigned char)text_[after]));
    }

    std::string_view text_;
    std::string_view what_;
    bool matchCase_;
    bool wholeWord_;
    ByteCursor first_[2];
};

}  // namespace

long FindNextMatch(TextBuffer& buffer, std::string_view what, int flags) {
    return buffer.Find(what, buffer.SelectionStart() + 1, kEndOfText, flags & ~kFindNoSelect);
}

ReplaceOutcome ReplaceNextMatch(TextBuffer& buffer, std::string_view what,
                                std::string_view replacement, int flags) {
    flags &= ~kFindNoSelect;
    ReplaceOutcome outcome;
    // A selection is taken to be the match a previous search selected, so it is replaced itself.
    const long start =
        buffer.SelectionLength() >= 1 ? buffer.SelectionStart() : buffer.SelectionStart() + 1;
    outcome.replacedAt = buffer.Find(what, start, kEndOfText, flags);
    if (outcome.replacedAt >= 0) buffer.ReplaceSelection(replacement);
    outcome.nextAt = buffer.Find(what, buffer.SelectionStart() + 1, kEndOfText, flags);
    return outcome;
}

ReplaceAllResult ReplaceAllMatches(std::string_view text, std::string_view what,
                                   std::string_view replacement, int flags) {
    ReplaceAllResult result;
    ForwardMatcher matcher(text, what, flags);
    size_t copied = 0;  // text before this offset is already in the result
    size_t at = matcher.Next(0);
    if (at == std::string_view::npos) {
        result.text.assign(text);
        return result;
    }
    result.text.reserve(replacement.size() > what.size() ? text.size() + text.size() / 4
                                                         : text.size());
    while (at != std::string_view::npos) {
        result.text.append(text.substr(copied, at - copied));
        result.text.append(replacement);
        copied = at + what.size();
        ++result.count;
        // The next search starts one character after the inserted text; in the original text
        // that is one character after the replaced match.
        at = matcher.Next(copied + 1);
    }
    result.caret = long(result.text.size());
    result.text.append(text.substr(copied));
    return result;
}

}  // namespace morv
