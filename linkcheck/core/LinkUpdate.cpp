#include "linkcheck/core/LinkUpdate.h"

#include <sys/stat.h>

#include <array>
#include <bitset>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <unordered_map>
#include <unordered_set>

#include "editor/core/DocumentText.h"
#include "extract/core/FindFiles.h"
#include "extract/core/ReadAhead.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"
#include "linkcheck/core/PageHash.h"
#include "linkcheck/core/PageLinks.h"
#include "linkcheck/core/References.h"
#include "linkcheck/core/SiteFiles.h"

namespace morv {

namespace {

namespace fs = std::filesystem;
constexpr size_t npos = std::string_view::npos;

bool IsStyleSheetName(std::string_view name) {
    return EndsWithIgnoreCase(name, ".css");
}

bool IsDocumentName(std::string_view name) {
    return IsHtmlDocumentName(name) || IsStyleSheetName(name);
}

// The end of a reference's path: its first "?" or "#", else its end. (find_first_of looks each
// byte up in the set with a call of its own, which is slow on a million references.)
size_t PathEnd(std::string_view reference) {
    size_t k = 0;
    while (k < reference.size() && reference[k] != '?' && reference[k] != '#')
        ++k;
    return k;
}

// The bytes that end the one-pass look at a reference's last segment: the path's separators
// and end, and what needs the reference cleaned or decoded first.
constexpr std::array<bool, 256> kSegmentBytes = [] {
    std::array<bool, 256> bytes{};
    for (unsigned char c : std::string_view("/\\?#&\t\r\n"))
        bytes[c] = true;
    return bytes;
}();

bool HasTabOrLineBreak(std::string_view text) {
    for (char c : text)
        if (c == '\t' || c == '\r' || c == '\n') return true;
    return false;
}

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view NameOf(std::string_view path) {
    return path.substr(FolderOf(path).size());
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A path lexically normalised, without a final "/" (but "/" itself).
std::string Normal(const std::string& path) {
    std::string normal = fs::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

// The path below folder when path lies inside it.
std::optional<std::string> Below(const std::string& folder, const std::string& path) {
    if (folder == "/") return path.size() > 1 ? std::optional(path.substr(1)) : std::nullopt;
    if (path.size() > folder.size() + 1 && path.starts_with(folder) && path[folder.size()] == '/')
        return path.substr(folder.size() + 1);
    return std::nullopt;
}

// How the old text of a reference escapes: which bytes it wrote as %XX and which as they are.
struct EscapeStyle {
    std::bitset<256> escaped, plain;
    bool lowerHex = false;
    bool plainHigh = false;  // non-ASCII bytes written as they are
};

EscapeStyle StyleOf(std::string_view written) {
    EscapeStyle style;
    for (size_t i = 0; i < written.size(); ++i) {
        const int high =
            written[i] == '%' && i + 2 < written.size() ? HexValue(written[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(written[i + 2]) : -1;
        if (low >= 0) {
            style.escaped.set(size_t(high * 16 + low));
            for (char c : written.substr(i + 1, 2))
                style.lowerHex = style.lowerHex || (c >= 'a' && c <= 'f');
            i += 2;
            continue;
        }
        const auto byte = static_cast<unsigned char>(written[i]);
        style.plain.set(byte);
        style.plainHigh = style.plainHigh || byte >= 0x80;
    }
    return style;
}

// Whether a byte of a file name is written as %XX in a reference: always where it would end or
// change the address or the attribute (or make the link scanners drop the value); where the
// page's own text of the reference escaped it; and, for blanks, non-ASCII bytes and the few
// characters addresses must not hold, unless the page wrote them as they are.
bool MustEscape(unsigned char byte, const EscapeStyle& style, const PageLink& link) {
    if (byte < 0x20 || byte == 0x7f) return true;
    switch (byte) {
        case '%':
        case '?':
        case '#':
        case '\\':
        case '"':
        case '<':
        case '>':
        case '&':
        case ';':
        case '`':
            return true;
        case '\'':
            return link.quote != '"' || link.outerQuote == '\'';
        case ' ':
            return link.quote == 0 || !style.plain.test(byte);
        case '(':
        case ')':
            return (link.css && link.quote == 0) ||
                   (style.escaped.test(byte) && !style.plain.test(byte));
        case '[':
        case ']':
        case '{':
        case '}':
        case '|':
        case '^':
            return !style.plain.test(byte);
        default:
            break;
    }
    if (byte >= 0x80) return !style.plainHigh;
    return style.escaped.test(byte) && !style.plain.test(byte);
}

// Appends a decoded path with its bytes escaped in the style of the reference; "/" stays.
void AppendEscaped(std::string_view path, const EscapeStyle& style, const PageLink& link,
                   std::string& out) {
    const char* digits = style.lowerHex ? "0123456789abcdef" : "0123456789ABCDEF";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || !MustEscape(byte, style, link)) {
            out += c;
            continue;
        }
        out += '%';
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
}

// The few character references an address is likely to hold decoded: &amp; &lt; &gt; &quot;
// &apos; and numeric ones.
std::string DecodeCharacterReferences(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find('&', i);
        const size_t semi = amp == npos ? npos : text.find(';', amp);
        if (semi == npos) break;
        out.append(text.substr(i, amp - i));
        const std::string_view name = text.substr(amp + 1, semi - amp - 1);
        static const std::pair<std::string_view, char> named[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& [entity, c] : named) {
            if (EqualsIgnoreCase(name, entity)) {
                out += c;
                done = true;
            }
        }
        if (!done && name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            long long value = 0;
            const std::string digits(name.substr(hex ? 2 : 1));
            char* end = nullptr;
            value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end != nullptr && *end == '\0' && value > 0 &&
                value <= 0x10ffff) {
                AppendUtf8(out, char32_t(value));
                done = true;
            }
        }
        if (!done) out.append(text.substr(amp, semi - amp + 1));
        i = semi + 1;
    }
    out.append(text.substr(i));
    return out;
}

bool HasTemplateMarkup(std::string_view text) {
    return text.find("<?") != npos || text.find("<%") != npos || text.find("{{") != npos ||
           text.find("{%") != npos;
}

// The relative path from a folder ("a/b/", "" for the root) to a target below the site folder,
// both decoded, escaped in the reference's style.
std::string RelativePath(std::string_view from, std::string_view to, const EscapeStyle& style,
                         const PageLink& link) {
    size_t common = 0;
    for (size_t k = 0; k < from.size() && k < to.size() && from[k] == to[k]; ++k)
        if (from[k] == '/') common = k + 1;
    std::string out;
    for (size_t k = common; k < from.size(); ++k)
        if (from[k] == '/') out += "../";
    AppendEscaped(to.substr(common), style, link, out);
    return out;
}

// A moving file as the site sees it.
struct Move {
    size_t index = 0;                     // in the request
    std::optional<std::string> from, to;  // below the site folder; nullopt outside it
};

class Planner {
  public:
    Planner(const LinkUpdateRequest& request, ProgressObserver& progress)
        : request_(request),
          progress_(progress),
          site_(MakeSiteAddresses(request.addresses)),
          files_(request.folder, request.indexNames),
          prefix_(JoinPath(request.folder, "")) {}

    Result<LinkUpdatePlan> Run() {
        Status opened = files_.Open();
        if (!opened) return opened.error();
        MapMoves();
        std::vector<std::string> pages;
        std::vector<std::string> sitePaths;
        if (request_.copy) {
            // Only the copies change; the pages are the documents copied from the site.
            for (const Move& move : moves_) {
                if (!move.from || !IsDocumentName(*move.from)) continue;
                pages.push_back(request_.moves[move.index].from);
                sitePaths.push_back(*move.from);
            }
        } else {
            progress_.SetAction("Scanning...");
            progress_.SetMax(CountSubfolders(request_.folder, progress_) + 1);
            Status walked = FindFilesMatching(
                request_.folder, IsDocumentName,
                [&](const std::string& path) {
                    pages.push_back(path);
                    sitePaths.push_back(path.substr(prefix_.size()));
                },
                progress_);
            if (!walked) return walked.error();
        }

        progress_.SetAction("Looking for links...");
        progress_.SetValue(0);
        progress_.SetMax(long(pages.size()) + 1);
        // The documents are read, and their references found, on threads of their own, a few
        // documents ahead; this one plans them in order.
        constexpr size_t kReaders = 2;
        std::vector<PageLink> found[FileReadAhead::kSlots];
        PageLinkFinder finders[kReaders];
        NameBuffers buffers[kReaders];
        FileReadAhead::Options ahead;
        ahead.threads = kReaders;
        ahead.prepare = [&](size_t index, const FileReadAhead::File& file, size_t thread,
                            ProgressObserver& stop) {
            if (!file.exists || !file.read) return;
            std::vector<PageLink>& links = found[index % FileReadAhead::kSlots];
            if (IsStyleSheetName(sitePaths[index]))
                finders[thread].FindInStyleSheet(file.text, links);
            else
                finders[thread].FindInPage(file.text, links, stop);
            KeepReferencesThatMayChange(sitePaths[index], file.text, links, buffers[thread]);
        };
        FileReadAhead reader(pages, std::move(ahead));
        for (size_t i = 0; i < pages.size(); ++i) {
            if (progress_.ShouldStop()) return UserInterrupt();
            progress_.SetValue(long(i) + 1);
            progress_.SetStatus(pages[i]);
            const FileReadAhead::File& file = reader.Next();
            if (!file.exists) continue;  // gone since the scan
            if (!file.read) return file.read.error();
            ++plan_.counts.pagesRead;
            PlanPage(pages[i], sitePaths[i], file, found[i % FileReadAhead::kSlots]);
        }
        if (progress_.ShouldStop()) return UserInterrupt();
        progress_.SetValue(long(pages.size()) + 1);
        plan_.counts.pagesChanged = long(plan_.pages.size());
        plan_.counts.unsafe = long(plan_.unsafe.size());
        return std::move(plan_);
    }

  private:
    // Where each move's paths lie below the site folder, by their text or, failing that, by the
    // folders they are in with links resolved.
    void MapMoves() {
        const std::string folder = Normal(request_.folder);
        std::error_code error;
        const fs::path real = fs::weakly_canonical(request_.folder, error);
        const std::string realFolder = error ? folder : Normal(real.string());
        auto below = [&](const std::string& path) -> std::optional<std::string> {
            const std::string normal = Normal(path);
            if (auto inside = Below(folder, normal)) return inside;
            std::error_code failed;
            const fs::path parent = fs::weakly_canonical(fs::path(normal).parent_path(), failed);
            if (failed) return std::nullopt;
            return Below(realFolder, Normal((parent / fs::path(normal).filename()).string()));
        };
        for (size_t i = 0; i < request_.moves.size(); ++i) {
            Move move;
            move.index = i;
            move.from = below(request_.moves[i].from);
            move.to = below(request_.moves[i].to);
            if (move.from) {
                byFrom_.emplace(*move.from, moves_.size());
                fromLower_.insert(AsciiLowerCopy(*move.from));
                names_.insert(AsciiLowerCopy(NameOf(*move.from)));
                for (const std::string& index : request_.indexNames) {
                    if (!EqualsIgnoreCase(NameOf(*move.from), index)) continue;
                    const std::string folderPath = AsciiLowerCopy(FolderOf(*move.from));
                    indexFolders_.insert(folderPath);
                    // The folder named without its final "/" is worth a look too.
                    if (!folderPath.empty()) {
                        const std::string_view folderName(folderPath.data(), folderPath.size() - 1);
                        names_.emplace(NameOf(folderName));
                    }
                    anyIndexMoves_ = true;
                }
            }
            moves_.push_back(std::move(move));
        }
        for (const std::string& name : names_) {
            nameSizes_ |= uint64_t(1) << (name.size() % 64);
            if (!name.empty()) nameEnds_.set(static_cast<unsigned char>(name.back()));
        }
    }

    const Move* MoveOf(std::string_view target) {
        auto exact = byFrom_.find(target);
        if (exact != byFrom_.end()) return &moves_[exact->second];
        lower_.assign(target);
        for (char& c : lower_)
            c = AsciiLower(c);
        if (!fromLower_.contains(lower_)) return nullptr;
        // Named in other letter case: the file that answers is the one that moves, unless one
        // with exactly this name is there.
        const SiteFiles::Entry& entry = files_.Look(target);
        if (entry.state != TargetState::Case) return nullptr;
        auto actual = byFrom_.find(entry.file);
        return actual == byFrom_.end() ? nullptr : &moves_[actual->second];
    }

    bool IsIndexName(std::string_view name) const {
        for (const std::string& index : request_.indexNames)
            if (name == index) return true;
        return false;
    }

    // Whether a reference to the folder target (with or without its final "/") leads to an index
    // document that the batch takes away from it.
    bool LosesIndex(std::string_view target) {
        if (!anyIndexMoves_ || request_.copy) return false;
        lower_.assign(target);
        for (char& c : lower_)
            c = AsciiLower(c);
        if (!lower_.empty() && lower_.back() != '/') lower_ += '/';
        if (!indexFolders_.contains(lower_)) return false;
        const SiteFiles::Entry& entry = files_.Look(target);
        if (entry.state == TargetState::Missing || entry.file.empty()) return false;
        auto moved = byFrom_.find(entry.file);
        if (moved == byFrom_.end()) return false;
        const Move& move = moves_[moved->second];
        return !(move.to && FolderOf(*move.to) == FolderOf(entry.file) &&
                 IsIndexName(NameOf(*move.to)));
    }

    // The buffers of NamesMovingFile: one set for each thread that calls it.
    struct NameBuffers {
        std::string cleaned, entities, decoded, lower;
    };

    // Whether the last segment of a reference's path names a moving file, or a folder that may
    // lose its index document: the one test every reference gets. It reads only what MapMoves
    // made, so the reader threads call it too, each with buffers of its own.
    bool NamesMovingFile(std::string_view reference, NameBuffers& buffers) const {
        // Most references have neither a tab, a line break nor a character reference before the
        // end of their path: one pass finds their last segment.
        size_t segmentAt = 0;
        for (size_t k = 0; k < reference.size(); ++k) {
            const char c = reference[k];
            if (!kSegmentBytes[static_cast<unsigned char>(c)]) continue;
            if (c == '/' || c == '\\') {
                segmentAt = k + 1;
            } else if (c == '?' || c == '#') {
                return NamesMovingSegment(reference.substr(segmentAt, k - segmentAt), buffers);
            } else {
                return NamesMovingFileSlowly(reference, buffers);
            }
        }
        return NamesMovingSegment(reference.substr(segmentAt), buffers);
    }

    // The same for any reference: tabs and line breaks dropped and character references decoded
    // first.
    bool NamesMovingFileSlowly(std::string_view reference, NameBuffers& buffers) const {
        if (HasTabOrLineBreak(reference)) {
            buffers.cleaned.clear();
            for (char c : reference)
                if (c != '\t' && c != '\r' && c != '\n') buffers.cleaned += c;
            reference = buffers.cleaned;
        }
        if (reference.find('&') != npos) {
            buffers.entities = DecodeCharacterReferences(reference);
            reference = buffers.entities;
        }
        const std::string_view path = reference.substr(0, PathEnd(reference));
        size_t segmentAt = path.size();
        while (segmentAt > 0 && path[segmentAt - 1] != '/' && path[segmentAt - 1] != '\\')
            --segmentAt;
        return NamesMovingSegment(path.substr(segmentAt), buffers);
    }

    // Whether the last segment of a path, as written, names a moving file or such a folder.
    bool NamesMovingSegment(std::string_view segment, NameBuffers& buffers) const {
        if (anyIndexMoves_ && (segment.empty() || segment == "." || segment == "..")) return true;
        if (segment.find('%') != npos) {
            buffers.decoded = PercentDecode(segment);
            segment = buffers.decoded;
        }
        // Most segments name no moving file, which their length or last letter tells at once.
        if (((nameSizes_ >> (segment.size() % 64)) & 1) == 0 ||
            (!segment.empty() &&
             !nameEnds_.test(static_cast<unsigned char>(AsciiLower(segment.back())))))
            return false;
        buffers.lower.assign(segment);
        for (char& c : buffers.lower)
            c = AsciiLower(c);
        return names_.contains(buffers.lower);
    }

    // Drops the references of a page that its plan would pass over: a page that stays in its
    // folder, and whose <base href> names no moving file, changes only where a reference names
    // one. Its base stays, as the others resolve against it.
    void KeepReferencesThatMayChange(std::string_view sitePath, std::string_view text,
                                     std::vector<PageLink>& links, NameBuffers& buffers) const {
        if (auto own = byFrom_.find(sitePath); own != byFrom_.end()) {
            // A page that goes to another folder, or out of the site, has its relative
            // references rewritten too.
            const std::optional<std::string>& to = moves_[own->second].to;
            if (!to || FolderOf(*to) != FolderOf(sitePath)) return;
        }
        auto names = [&](const PageLink& link) {
            return NamesMovingFile(text.substr(link.begin, link.end - link.begin), buffers);
        };
        for (const PageLink& link : links)
            if (link.base && names(link)) return;
        std::erase_if(links, [&](const PageLink& link) { return !link.base && !names(link); });
    }

    // What one page is planned with.
    struct PageState {
        std::string_view text;
        std::string_view path;     // below the site folder
        std::string_view newPath;  // below the site folder, where it goes ("" when it leaves)
        bool leaves = false;
        PageBase oldBase, newBase;
        bool rebased = false;  // its relative references resolve against another folder now
        // Its references resolve and are rewritten as those of every other page of its folder
        // that stays there and has no <base href> (Plan keeps their outcomes by folder).
        bool asFolder = false;
        PageEdits* edits = nullptr;
        std::string shown;
        mutable int utf8 = -1;  // whether the page is UTF-8 text: -1 not known yet

        // Bytes that a browser reads in the page's encoding go into an address as they are only
        // where that encoding is UTF-8, as file names here are.
        bool IsUtf8() const {
            if (utf8 < 0) utf8 = IsValidUtf8(text) ? 1 : 0;
            return utf8 == 1;
        }
    };

    void PlanPage(const std::string& page, std::string_view sitePath,
                  const FileReadAhead::File& file, const std::vector<PageLink>& links) {
        const std::string_view text = file.text;
        PageState state;
        state.text = text;
        state.path = sitePath;
        state.newPath = sitePath;
        auto own = byFrom_.find(sitePath);
        const Move* move = own == byFrom_.end() ? nullptr : &moves_[own->second];
        if (move != nullptr) {
            state.leaves = !move->to;
            state.newPath = move->to ? std::string_view(*move->to) : std::string_view();
        }

        PageEdits edits;
        edits.path = page;
        edits.newPath = move != nullptr ? request_.moves[move->index].to : page;
        edits.copy = request_.copy;
        edits.move = move != nullptr ? move->index : SIZE_MAX;
        state.edits = &edits;
        state.shown = ShownPath(edits);
        const size_t unsafeBefore = plan_.unsafe.size();

        // The <base href> first: the others resolve against it, before and after.
        const PageBase pageOld = MakePageBase(state.path, "", site_);
        const PageBase pageNew = MakePageBase(state.newPath, "", site_);
        std::string_view baseOld, baseNew;
        std::string rewrittenBase;
        for (const PageLink& link : links) {
            if (!link.base) continue;
            baseOld = baseNew = text.substr(link.begin, link.end - link.begin);
            state.oldBase = pageOld;
            state.newBase = pageNew;
            state.rebased = Rebased(state, pageOld, pageNew);
            if (Plan(state, link, &rewrittenBase)) baseNew = rewrittenBase;
            break;
        }
        state.oldBase = MakePageBase(state.path, baseOld, site_);
        state.newBase = MakePageBase(state.newPath, baseNew, site_);
        state.rebased = Rebased(state, state.oldBase, state.newBase);
        state.asFolder = !request_.copy && !state.leaves && !state.rebased && baseOld.empty();
        if (state.asFolder && FolderOf(sitePath) != outcomesFolder_) {
            outcomes_.clear();
            outcomesFolder_.assign(FolderOf(sitePath));
        }
        for (const PageLink& link : links)
            if (!link.base) Plan(state, link, nullptr);

        std::sort(edits.edits.begin(), edits.edits.end(),
                  [](const LinkEdit& a, const LinkEdit& b) { return a.offset < b.offset; });
        // References found inside another one's value (a tag written inside a quoted value the
        // finder did not take as one) are no references of the page: the first one stays.
        for (size_t k = 1; k < edits.edits.size(); ++k) {
            const LinkEdit& before = edits.edits[k - 1];
            if (edits.edits[k].offset >= before.offset + before.oldText.size()) continue;
            plan_.unsafe.push_back(UnsafeLink{state.shown, edits.edits[k].offset,
                                              edits.edits[k].oldText,
                                              UnsafeReason::NotAnAttribute});
            edits.edits.erase(edits.edits.begin() + long(k--));
        }
        if (!edits.edits.empty()) {
            edits.identity = IdentifyBytes(text);
            edits.after = IdentifyEdited(text, edits.edits);
            // The time the page had when it was opened, before its bytes were read.
            edits.identity.modified = ModifiedTime(file.opened);
            plan_.counts.references += long(edits.edits.size());
            plan_.pages.push_back(std::move(edits));
        }
        std::sort(plan_.unsafe.begin() + long(unsafeBefore), plan_.unsafe.end(),
                  [](const UnsafeLink& a, const UnsafeLink& b) { return a.offset < b.offset; });
    }

    bool Rebased(const PageState& state, const PageBase& before, const PageBase& after) const {
        return state.leaves || before.kind != after.kind ||
               FolderOf(before.path) != FolderOf(after.path);
    }

    void Unsafe(const PageState& state, const PageLink& link, UnsafeReason reason) {
        plan_.unsafe.push_back(
            UnsafeLink{state.shown, link.begin,
                       std::string(state.text.substr(link.begin, link.end - link.begin)), reason});
    }

    // What planning a reference came to, kept for the other pages of its folder.
    struct Outcome {
        enum class Kind { None, Unsafe, Edit } kind = Kind::None;
        UnsafeReason reason = UnsafeReason::Script;
        std::string text;  // the edit's new text
    };

    // Plans one reference: an edit, an entry of the unsafe list, or nothing. True when it is
    // rewritten; rewritten then receives its new text. The pages of a folder name the same files
    // over and over (menus, indexes): where only the folder decides, the outcome of a reference
    // written the same way in the same kind of place is taken from the page before.
    bool Plan(PageState& state, const PageLink& link, std::string* rewritten) {
        const std::string_view written = state.text.substr(link.begin, link.end - link.begin);
        const bool named = NamesMovingFile(written, nameBuffers_);
        if (!named && (!state.rebased || link.code)) return false;
        // Not when the page's own name, or its encoding (for bytes written as they are), may
        // decide: a reference without a path, or with non-ASCII bytes.
        const bool asFolder = state.asFolder && rewritten == nullptr && PathEnd(written) > 0 &&
                              std::none_of(written.begin(), written.end(), [](char c) {
                                  return static_cast<unsigned char>(c) >= 0x80;
                              });
        if (!asFolder) return PlanReference(state, link, written, rewritten);
        outcomeKey_.assign(
            {char(link.place), char(link.code), char(link.css), link.quote, link.outerQuote});
        outcomeKey_.append(written);
        auto known = outcomes_.find(outcomeKey_);
        if (known == outcomes_.end()) {
            const size_t unsafe = plan_.unsafe.size(), edits = state.edits->edits.size();
            PlanReference(state, link, written, nullptr);
            Outcome outcome;
            if (state.edits->edits.size() > edits) {
                outcome.kind = Outcome::Kind::Edit;
                outcome.text = state.edits->edits.back().newText;
            } else if (plan_.unsafe.size() > unsafe) {
                outcome.kind = Outcome::Kind::Unsafe;
                outcome.reason = plan_.unsafe.back().reason;
            }
            outcomes_.emplace(outcomeKey_, std::move(outcome));
            return state.edits->edits.size() > edits;
        }
        switch (known->second.kind) {
            case Outcome::Kind::None:
                return false;
            case Outcome::Kind::Unsafe:
                Unsafe(state, link, known->second.reason);
                return false;
            case Outcome::Kind::Edit:
                state.edits->edits.push_back(
                    LinkEdit{link.begin, std::string(written), known->second.text});
                return true;
        }
        return false;
    }

    // Plan without the outcomes of the folder.
    bool PlanReference(PageState& state, const PageLink& link, std::string_view written,
                       std::string* rewritten) {
        // The address as a browser reads it, character references decoded. A rewrite keeps the
        // query and fragment as written, so only references in the path stand in its way.
        const std::string_view pathPart = written.substr(0, PathEnd(written));
        std::string decoded;
        std::string_view address = written;
        if (written.find('&') != npos) {
            decoded = DecodeCharacterReferences(written);
            address = decoded;
        }
        const bool characterReference = address != written && pathPart.find('&') != npos;
        if (ResolveReference(state.oldBase, address, site_, target_) != Resolution::Site)
            return false;
        const bool lineBreak = HasTabOrLineBreak(written);
        // The same bytes with backslashes before the query read as "/", so that the parts are
        // views at the offsets of the written text.
        std::string_view clean = written;
        if (pathPart.find('\\') != npos) {
            clean_.assign(written);
            for (size_t k = 0; k < pathPart.size(); ++k)
                if (clean_[k] == '\\') clean_[k] = '/';
            clean = clean_;
        }
        const ReferenceParts parts = ParseReference(clean);
        if (parts.path.empty()) return false;  // the page itself, or its base
        const ReferenceForm form = FormOf(parts);
        const bool relative = form == ReferenceForm::Relative;
        const std::string& target = target_;  // not resolved again below

        std::string_view newTarget = target;
        const bool folder = target.empty() || target.back() == '/';
        const Move* move = folder ? nullptr : MoveOf(target);
        if (move != nullptr) {
            if (request_.copy) {
                if (move->from && *move->from == state.path && !state.leaves)
                    newTarget = state.newPath;  // the copy's references to itself
            } else if (!move->to) {
                Unsafe(state, link, UnsafeReason::TargetLeavesSite);
                return false;
            } else {
                newTarget = *move->to;
            }
        } else if (LosesIndex(target)) {
            Unsafe(state, link, UnsafeReason::FolderIndex);
            return false;
        }
        const bool retargeted = newTarget != target;
        if (!retargeted && !(relative && state.rebased && !link.code)) return false;
        // What only the scanners read, or code builds, and leads nowhere already cannot break.
        if (!retargeted && !IsRewritable(link.place) &&
            files_.Look(target).state == TargetState::Missing)
            return false;

        switch (link.place) {
            case LinkPlace::Script:
                Unsafe(state, link, UnsafeReason::Script);
                return false;
            case LinkPlace::Handler:
                Unsafe(state, link, UnsafeReason::Handler);
                return false;
            case LinkPlace::Server:
                Unsafe(state, link, UnsafeReason::ServerCode);
                return false;
            case LinkPlace::Text:
                Unsafe(state, link, UnsafeReason::NotAnAttribute);
                return false;
            default:
                break;
        }
        std::optional<UnsafeReason> reason;
        if (lineBreak)
            reason = UnsafeReason::LineBreak;
        else if (HasTemplateMarkup(written))
            reason = UnsafeReason::TemplateMarkup;
        else if (characterReference)
            reason = UnsafeReason::CharacterReference;
        else if (link.css && pathPart.find('\\') != npos)
            reason = UnsafeReason::StyleEscape;
        else if (relative && (state.leaves || state.newBase.kind != Resolution::Site))
            reason = UnsafeReason::PageLeavesSite;
        if (reason) {
            Unsafe(state, link, *reason);
            return false;
        }

        std::string text = Rewrite(written, parts, clean, form, target, newTarget, state, link);
        if (text == written) return false;
        if (rewritten != nullptr) *rewritten = text;
        state.edits->edits.push_back(LinkEdit{link.begin, std::string(written), std::move(text)});
        return true;
    }

    // The reference written for its new target in its own form.
    std::string Rewrite(std::string_view written, const ReferenceParts& parts,
                        std::string_view clean, ReferenceForm form, std::string_view target,
                        std::string_view newTarget, const PageState& state,
                        const PageLink& link) const {
        const size_t pathAt = size_t(parts.path.data() - clean.data());
        const std::string_view oldPath = written.substr(pathAt, parts.path.size());
        EscapeStyle style = StyleOf(oldPath);
        style.plainHigh = style.plainHigh && state.IsUtf8();
        std::string path;
        const size_t slash = parts.path.rfind('/');
        const std::string_view segment = slash == npos ? parts.path : parts.path.substr(slash + 1);
        const bool relative = form == ReferenceForm::Relative;
        if (FolderOf(target) == FolderOf(newTarget) && !(relative && state.rebased) &&
            PercentDecode(segment) == NameOf(target)) {
            // Same folder: only the name changes; the rest stays as written.
            path.assign(oldPath.substr(0, slash == npos ? 0 : slash + 1));
            AppendEscaped(NameOf(newTarget), style, link, path);
        } else if (relative) {
            const std::string base =
                PercentDecode(FolderOf(std::string_view(state.newBase.path).substr(1)));
            path = RelativePath(base, newTarget, style, link);
            if (path.empty()) path = "./";
            if (oldPath.starts_with("./") && !path.starts_with("./") && !path.starts_with("../"))
                path.insert(0, "./");
        } else {
            std::string_view rest;
            const SiteAddress* address =
                form == ReferenceForm::RootRelative ? nullptr : FindSiteAddress(parts, site_, rest);
            path = address != nullptr ? address->path : "/";
            AppendEscaped(newTarget, style, link, path);
        }
        // A relative path whose first segment holds ":" would read as a scheme.
        if (relative) {
            const size_t colon = path.find(':');
            if (colon != npos && colon < path.find('/')) path.insert(0, "./");
        }
        std::string out(written.substr(0, pathAt));
        out += path;
        out.append(written.substr(pathAt + parts.path.size()));
        return out;
    }

    const LinkUpdateRequest& request_;
    ProgressObserver& progress_;
    const std::vector<SiteAddress> site_;
    SiteFiles files_;
    const std::string prefix_;  // the folder as page paths begin with it
    std::vector<Move> moves_;
    std::unordered_map<std::string, size_t, StringHash, std::equal_to<>> byFrom_;
    std::unordered_set<std::string, StringHash, std::equal_to<>> fromLower_, names_, indexFolders_;
    bool anyIndexMoves_ = false;
    uint64_t nameSizes_ = 0;     // bit n: a name of names_ is n long, modulo 64
    std::bitset<256> nameEnds_;  // the last bytes of names_
    std::string target_, lower_, clean_;
    NameBuffers nameBuffers_;
    // The outcomes of references in the pages of one folder (Plan), by place and text.
    std::unordered_map<std::string, Outcome, StringHash, std::equal_to<>> outcomes_;
    std::string outcomesFolder_, outcomeKey_;
    LinkUpdatePlan plan_;
};

}  // namespace

std::string_view DescribeUnsafe(UnsafeReason reason) {
    switch (reason) {
        case UnsafeReason::Script:
            return "inside a script";
        case UnsafeReason::Handler:
            return "inside an event handler";
        case UnsafeReason::ServerCode:
            return "inside server code";
        case UnsafeReason::NotAnAttribute:
            return "not the value of a link attribute";
        case UnsafeReason::TemplateMarkup:
            return "template or server markup in the value";
        case UnsafeReason::LineBreak:
            return "line break or tab inside the value";
        case UnsafeReason::CharacterReference:
            return "character reference in the address";
        case UnsafeReason::StyleEscape:
            return "style sheet escape in the address";
        case UnsafeReason::TargetLeavesSite:
            return "the file it leads to leaves the site folder";
        case UnsafeReason::PageLeavesSite:
            return "its page leaves the site folder";
        case UnsafeReason::FolderIndex:
            return "the folder's index document is renamed";
    }
    return {};
}

namespace {

PageIdentity IdentityOf(Hash128 hash, size_t size) {
    PageIdentity identity;
    identity.size = int64_t(size);
    const char* digits = "0123456789abcdef";
    for (uint64_t half : {hash.high, hash.low})
        for (int shift = 60; shift >= 0; shift -= 4)
            identity.hash += digits[(half >> shift) & 15];
    return identity;
}

}  // namespace

int64_t ModifiedTime(const struct stat& st) {
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

PageIdentity IdentifyBytes(std::string_view bytes) {
    return IdentityOf(HashBytes(bytes), bytes.size());
}

PageIdentity IdentifyEdited(std::string_view bytes, const std::vector<LinkEdit>& edits) {
    PartsHasher hasher;
    size_t at = 0, size = 0;
    auto add = [&](std::string_view part) {
        hasher.Add(part);
        size += part.size();
    };
    for (const LinkEdit& edit : edits) {
        add(bytes.substr(at, edit.offset - at));
        add(edit.newText);
        at = edit.offset + edit.oldText.size();
    }
    add(bytes.substr(at));
    return IdentityOf(hasher.Digest(), size);
}

namespace {

// Makes the bytes with the edits made in out (whose room is reused). Returns the first edit whose
// old text is not at its offset, or that overlaps the one before, or nullptr when all fit.
const LinkEdit* MakeEdited(std::string_view bytes, const std::vector<LinkEdit>& edits,
                           std::string& out) {
    out.clear();
    long long grows = 0;
    size_t at = 0;
    for (const LinkEdit& edit : edits) {
        if (edit.offset < at || edit.offset > bytes.size() ||
            bytes.substr(edit.offset, edit.oldText.size()) != edit.oldText)
            return &edit;
        grows += (long long)edit.newText.size() - (long long)edit.oldText.size();
        at = edit.offset + edit.oldText.size();
    }
    out.reserve(size_t((long long)bytes.size() + grows));
    at = 0;
    for (const LinkEdit& edit : edits) {
        out.append(bytes.substr(at, edit.offset - at));
        out += edit.newText;
        at = edit.offset + edit.oldText.size();
    }
    out.append(bytes.substr(at));
    return nullptr;
}

Error Misplaced(const LinkEdit& edit) {
    return Error{kPageChangedError, "mLinkUpdate::ApplyLinkEdits",
                 "The reference \"" + edit.oldText + "\" is not where it was planned"};
}

}  // namespace

Result<std::string> ApplyLinkEdits(std::string_view bytes, const std::vector<LinkEdit>& edits) {
    std::string out;
    if (const LinkEdit* misplaced = MakeEdited(bytes, edits, out)) return Misplaced(*misplaced);
    return out;
}

std::vector<LinkEdit> ReversedLinkEdits(const std::vector<LinkEdit>& edits) {
    std::vector<LinkEdit> reversed;
    reversed.reserve(edits.size());
    // How far every later edit has moved in the new bytes.
    long long shift = 0;
    for (const LinkEdit& edit : edits) {
        reversed.push_back(
            LinkEdit{size_t((long long)edit.offset + shift), edit.newText, edit.oldText});
        shift += (long long)edit.newText.size() - (long long)edit.oldText.size();
    }
    return reversed;
}

Result<std::string> NewPageBytes(const PageEdits& page, const std::string& path) {
    NewPageMaker maker;
    Result<std::string_view> bytes = maker.Make(page, path);
    if (!bytes) return bytes.error();
    return std::string(bytes.value());
}

Result<std::string_view> NewPageMaker::Make(const PageEdits& page, const std::string& path,
                                            struct stat* opened, UniqueFd* keepOpen) {
    if (Status read =
            ReadFile(path, read_, ReadOptions{kMaxDocumentSize, false, {}}, opened, keepOpen);
        !read)
        return read.error();
    if (!IdentifyBytes(read_.view()).SameBytes(page.identity)) {
        return Error{kPageChangedError, "mLinkUpdate::NewPageBytes",
                     "The page \"" + path + "\" has changed since its links were planned"};
    }
    if (const LinkEdit* misplaced = MakeEdited(read_.view(), page.edits, made_))
        return Misplaced(*misplaced);
    return std::string_view(made_);
}

void WriteLinkEditLines(const LinkUpdatePlan& plan, std::ostream& out) {
    for (const PageEdits& page : plan.pages) {
        const std::string shown = EscapeTabField(ShownPath(page));
        for (const LinkEdit& edit : page.edits)
            out << shown << '\t' << EscapeTabField(edit.oldText) << '\t'
                << EscapeTabField(edit.newText) << '\n';
    }
}

void WriteUnsafeLinkLines(const LinkUpdatePlan& plan, std::ostream& out) {
    for (const UnsafeLink& link : plan.unsafe)
        out << EscapeTabField(link.page) << '\t' << EscapeTabField(link.text) << '\t'
            << DescribeUnsafe(link.reason) << '\n';
}

Result<LinkUpdatePlan> PlanLinkUpdate(const LinkUpdateRequest& request,
                                      ProgressObserver& progress) {
    Planner planner(request, progress);
    return planner.Run();
}

}  // namespace morv
