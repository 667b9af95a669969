#pragma once

#include <string>
#include <string_view>

#include "editor/core/TextBuffer.h"

namespace morv {

// The searches of the Find and Replace dialogs and of Find Next. Every search runs forward to the
// end of the text and never wraps; flags are kFindWholeWord and kFindMatchCase. Each follow-up
// search starts one character after the caret, so a match that begins right at the caret is
// passed over.

// Find Next of both dialogs and of the main window: searches from one character after the start
// of the selection and selects the match. Returns its offset or -1 (the selection unchanged).
long FindNextMatch(TextBuffer& buffer, std::string_view what, int flags);

// Replace of the Replace dialog: replaces the match at the selection (or, with nothing selected,
// the next match after the caret) and then selects the next match. replacedAt is the offset of
// the replaced match or -1 when there was none; nextAt the offset of the match now selected or -1.
struct ReplaceOutcome {
    long replacedAt = -1;
    long nextAt = -1;
};
ReplaceOutcome ReplaceNextMatch(TextBuffer& buffer, std::string_view what,
                                std::string_view replacement, int flags);

// Replace All over a whole text. Replaces the first match from the start and then, each time,
// the first match from one character after the inserted text: a match that begins directly after
// a replacement is passed over, and a replacement that contains the sought text never loops.
struct ReplaceAllResult {
    std::string text;
    long count = 0;   // replacements made
    long caret = -1;  // offset just after the last inserted text; -1 when nothing was replaced
};
ReplaceAllResult ReplaceAllMatches(std::string_view text, std::string_view what,
                                   std::string_view replacement, int flags);

}  // namespace morv
