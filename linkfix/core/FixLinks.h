#pragma once

#include <string>
#include <string_view>

#include "editor/core/TextBuffer.h"
#include "helpers/core/Progress.h"

// The Fix Relative Links run: every candidate line of the [LINK] and [IMAGE] sections in a part
// of a report is rewritten into an absolute address (see LinkResolver.h).
namespace morv {

// Which part of the document the run works on.
enum class FixScope {
    WholeDocument = 0,
    ThisPointForward = 1,  // from the caret to the end
    Selection = 2,         // the lines that start before the selection's end
};

// Where the caret goes after a finished run.
enum class FixCaret {
    FirstFixedPosition = 0,  // the start of the scope
    LastFixedPosition = 1,   // where the scan stopped
    BeginOfDocument = 2,
    EndOfDocument = 3,
};

struct FixLinksOptions {
    std::string root;  // as typed
    std::string path;  // as typed, may be empty
    FixScope scope = FixScope::WholeDocument;
    FixCaret caret = FixCaret::LastFixedPosition;
};

enum class FixOutcome {
    Finished,
    Stopped,    // the observer asked to stop; lines fixed so far stay fixed
    NoSection,  // no [LINK] or [IMAGE] section in the scope; nothing changed
    Failed,     // message holds the description
};

struct FixLinksResult {
    FixOutcome outcome = FixOutcome::Finished;
    std::string message;  // the text to show for NoSection and Failed
    long linesFixed = 0;
};

inline constexpr std::string_view kFixingLinksAction = "Fixing relative links...";
inline constexpr std::string_view kNoSectionMessage =
    "Unable to perform requested operation.\r\n\r\nThere is no [LINK] or [IMAGE] section "
    "detected.";

// Whether the last complete bracketed text before offset ("[...]", up to its first "]") is
// "[LINK]" or "[IMAGE]", ignoring case; false when there is none.
bool IsInLinkOrImageSection(std::string_view text, long offset);

// Runs the fixing over the buffer's scope, starting from its caret or selection. Sections are
// taken in document order: a section ends at the next line that starts with "[", and the run
// goes on at the next "[LINK]" or "[IMAGE]" header. The changed range of the text is replaced in
// one edit, then the caret and selection are set: by options.caret after a finished run, as the
// scan left them after a stop, untouched when nothing was found. Progress: the action text, the
// line count as maximum, the line number per line, each fixed link as status; the observer is
// asked to stop once per section and once per line.
FixLinksResult FixLinksInDocument(TextBuffer& buffer, const FixLinksOptions& options,
                                  ProgressObserver& progress = NoProgress());

}  // namespace morv
