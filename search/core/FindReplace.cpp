#include "search/core/FindReplace.h"

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// Finds the matches of one needle in one text for a series of searches whose starts only move
// forwards, so the whole series reads the text once however many matches there are.
class ForwardMatcher {
  public:
    ForwardMatcher(std::string_view text, std::string_view what, int flags)
        : text_(text),
          what_(what),
          matchCase_((flags & kFindMatchCase) != 0),
          wholeWord_((flags & kFindWholeWord) != 0),
          ignoreCase_(text, what) {}

    // Offset of the first match at or after from, or npos.
    size_t Next(size_t from) {
        if (what_.empty()) return std::string_view::npos;
        while (true) {
            const size_t at = matchCase_ ? text_.find(what_, from) : ignoreCase_.Next(from);
            if (at == std::string_view::npos || !wholeWord_ || IsWholeWord(at)) return at;
            from = at + 1;
        }
    }

  private:
    bool IsWholeWord(size_t at) const {
        const size_t after = at + what_.size();
        return (at == 0 || !IsWordByte((unsigned char)text_[at - 1])) &&
               (after >= text_.size() || !IsWordByte((unsigned char)text_[after]));
    }

    std::string_view text_;
    std::string_view what_;
    bool matchCase_;
    bool wholeWord_;
    IgnoreCaseFinder ignoreCase_;
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
