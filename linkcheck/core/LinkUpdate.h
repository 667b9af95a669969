#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/FileIo.h"
#include "helpers/core/Progress.h"
#include "helpers/core/Result.h"
#include "linkcheck/core/LinkCheck.h"

// Links kept when files of a site are renamed, moved or copied. For a batch of moves the plan
// names every reference to a moving file in the documents of the site folder (the pages the
// folder scan lists, and .css files), resolved as Check Links resolves it, and the new text of
// each, written in the same form: a relative reference stays relative to its page, a
// root-relative one root-relative, one of the site's own addresses keeps its address; query,
// fragment, escaping style, quotes and every other byte of the page stay. A page that moves to
// another folder (or is copied there) gets its own relative references rewritten to reach the
// same files from there. References that code builds or that cannot be rewritten exactly are
// listed instead of rewritten.
//
// Planning reads each document once and keeps only the edits; nothing is written. A later step
// applies the edits (NewPageBytes) after checking that the page has not changed since.
namespace morv {

// One file of the batch, by absolute paths. Either may lie outside the site folder.
struct FileMove {
    std::string from;
    std::string to;
};

struct LinkUpdateRequest {
    std::string folder;                  // the site folder
    std::vector<std::string> addresses;  // the site's own addresses ("http://www.example.org/")
    std::vector<std::string> indexNames = DefaultIndexNames();
    std::vector<FileMove> moves;
    // The files are copied: the originals stay, and so do the references to them; only the
    // copies of documents are planned, their relative references rewritten for the copy's
    // folder (and their references to the page itself made references to the copy).
    bool copy = false;
};

// What a page's bytes were when the plan was made.
struct PageIdentity {
    int64_t size = 0;
    int64_t modified = 0;  // modification time, nanoseconds since the epoch
    std::string hash;      // XXH3 128-bit hash of the bytes, 32 lower-case hexadecimal digits
    // The same bytes (size and hash; the time may differ after a touch).
    bool SameBytes(const PageIdentity& other) const {
        return size == other.size && hash == other.hash;
    }
};
PageIdentity IdentifyBytes(std::string_view bytes);  // modified stays 0
// PageIdentity::modified of a file as stat(2) saw it.
int64_t ModifiedTime(const struct stat& st);

// One byte edit of a page: the reference as written, and its new text.
struct LinkEdit {
    size_t offset = 0;    // where oldText starts in the page's bytes
    std::string oldText;  // the reference, without the blanks around it
    std::string newText;
};

// The identity of the bytes that the edits (in increasing offset, fitting the bytes) make of
// bytes, without making them.
PageIdentity IdentifyEdited(std::string_view bytes, const std::vector<LinkEdit>& edits);

// The edits of one page.
struct PageEdits {
    std::string path;        // the file planned from: the folder's path joined with the page's
                             // path below it (copy: the move's from)
    std::string newPath;     // where the rewritten page belongs after the batch: path when the
                             // page stays, the move's to when it is moved or copied
    bool copy = false;       // newPath is a copy: path itself is not changed
    size_t move = SIZE_MAX;  // the index of the page's own move in the request, SIZE_MAX none
    PageIdentity identity;
    PageIdentity after;           // the bytes with the edits made (size and hash)
    std::vector<LinkEdit> edits;  // in increasing offset, not overlapping
};

// Why a reference that the batch would break is not rewritten.
enum class UnsafeReason {
    Script,              // inside a <script> element: code builds it
    Handler,             // inside an on...="" attribute
    ServerCode,          // inside <? ?> or <% %>
    NotAnAttribute,      // the link scanners read it, but it is no reference attribute's value
    TemplateMarkup,      // its value holds <?, <%, {{ or {%
    LineBreak,           // a tab or line break inside it: its bytes are not its address
    CharacterReference,  // its address holds a character reference (&amp;)
    StyleEscape,         // a style sheet escape (\) in its address
    TargetLeavesSite,    // the file it leads to moves out of the site folder
    PageLeavesSite,      // its page moves out of the site folder, or where it cannot reach
    FolderIndex,         // it leads to a folder whose index document is renamed
};
// "inside a script", "inside an event handler", ...
std::string_view DescribeUnsafe(UnsafeReason reason);

struct UnsafeLink {
    std::string page;  // as ShownPath shows it: the copy for a copied page
    size_t offset = 0;
    std::string text;  // the reference as written
    UnsafeReason reason = UnsafeReason::Script;
};

struct LinkUpdateCounts {
    long pagesRead = 0;     // documents read
    long pagesChanged = 0;  // documents with edits
    long references = 0;    // edits
    long unsafe = 0;        // references listed, not rewritten
};

struct LinkUpdatePlan {
    std::vector<PageEdits> pages;    // in the order of the folder scan
    std::vector<UnsafeLink> unsafe;  // by page, then offset
    LinkUpdateCounts counts;
};

// Plans the batch. Progress: "Scanning..." while the documents are collected, then
// "Looking for links..." with one step per document (its path as status). ShouldStop is polled
// once per document and ends the run with a user interrupt. A folder that cannot be opened, or a
// document that exists but cannot be read, ends it with that error.
Result<LinkUpdatePlan> PlanLinkUpdate(const LinkUpdateRequest& request,
                                      ProgressObserver& progress = NoProgress());

// The page's bytes with the edits made. Fails, changing nothing, when an edit's old text is not
// at its offset or edits overlap.
Result<std::string> ApplyLinkEdits(std::string_view bytes, const std::vector<LinkEdit>& edits);
// The edits that turn the bytes ApplyLinkEdits made of edits back into the bytes it was given:
// each new text at its place in the new bytes, to become the old text again.
std::vector<LinkEdit> ReversedLinkEdits(const std::vector<LinkEdit>& edits);

// Reads the page from path (its path, or where the batch has put it by now), checks that its
// bytes are those planned from (PageIdentity::SameBytes), and returns them with the edits made.
// A page changed since fails with kPageChangedError (a number of our own, as the file layer's).
inline constexpr int kPageChangedError = 1100;
Result<std::string> NewPageBytes(const PageEdits& page, const std::string& path);

// Makes pages' new bytes one after another as NewPageBytes does, reusing its buffers: one maker
// for each thread that writes pages. opened, when given, receives what the file was when it was
// opened; keepOpen its descriptor, still open (ReadFile). What Make hands out stays valid until
// its next call.
class NewPageMaker {
  public:
    Result<std::string_view> Make(const PageEdits& page, const std::string& path,
                                  struct stat* opened = nullptr, UniqueFd* keepOpen = nullptr);

  private:
    FileBuffer read_;
    std::string made_;
};

// The page a person is shown for a plan's edits: the copy for a copied page, else the page.
inline const std::string& ShownPath(const PageEdits& page) {
    return page.copy ? page.newPath : page.path;
}

// One line per edit, page<TAB>old<TAB>new, fields escaped as Check Links' tab-separated lines
// (\t, \r, \n, \\).
void WriteLinkEditLines(const LinkUpdatePlan& plan, std::ostream& out);
// One line per reference listed, page<TAB>reference<TAB>reason.
void WriteUnsafeLinkLines(const LinkUpdatePlan& plan, std::ostream& out);

}  // namespace morv
