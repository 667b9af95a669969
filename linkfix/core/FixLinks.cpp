#include "linkfix/core/FixLinks.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "helpers/core/TextUtil.h"
#include "linkfix/core/LinkResolver.h"

namespace morv {

namespace {

constexpr std::string_view kLinkHeader = "[LINK]";
constexpr std::string_view kImageHeader = "[IMAGE]";

// A line of the text: its number and start offset; start -1 when there is no such line.
struct Line {
    long number = 0;
    long start = 0;
};

// The lines of a text separated by CR LF (a lone CR or LF belongs to its line), walked forwards.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    // Offset of the CR LF that ends the line starting at start, or the text's length.
    long End(long start) const {
        const char* data = text_.data();
        const size_t size = text_.size();
        size_t pos = size_t(start);
        while (pos + 1 < size) {
            const void* cr = std::memchr(data + pos, '\r', size - pos - 1);
            if (cr == nullptr) break;
            pos = size_t(static_cast<const char*>(cr) - data);
            if (data[pos + 1] == '\n') return long(pos);
            ++pos;
        }
        return long(size);
    }

    Line Next(Line line) const {
        const long end = End(line.start);
        return Line{line.number + 1, end < long(text_.size()) ? end + 2 : -1};
    }

    // The line that holds offset, found by walking forwards from a line at or before it.
    Line Holding(Line from, long offset) const {
        while (true) {
            const long end = End(from.start);
            if (offset < end + 2 || end >= long(text_.size())) return from;
            from = Line{from.number + 1, end + 2};
        }
    }

    long Count() const {
        long count = 1;
        for (long start = 0; (start = Next(Line{0, start}).start) >= 0;)
            ++count;
        return count;
    }

  private:
    std::string_view text_;
};

struct Header {
    long at = -1;
    long length = 0;
};

// Finds the next "[LINK]" or "[IMAGE]" before the scope's end. Each kind's last answer is kept,
// so a report where one kind is rare is not searched to its end once per section.
class SectionFinder {
  public:
    SectionFinder(std::string_view text, long end) : text_(text), end_(end) {}

    Header Next(long from) {
        const long link = link_.Find(text_, kLinkHeader, from, end_);
        const long image = image_.Find(text_, kImageHeader, from, end_);
        if (link < 0 && image < 0) return {};
        if (image < 0 || (link >= 0 && link < image)) return {link, long(kLinkHeader.size())};
        return {image, long(kImageHeader.size())};
    }

  private:
    struct Cached {
        long from = -1;  // where the answer was searched from; -1 before the first search
        long at = -1;

        long Find(std::string_view text, std::string_view what, long start, long end) {
            if (from < 0 || start < from || (at >= 0 && at < start)) {
                from = start;
                at = FindInText(text, what, start, end, kFindNoSelect);
            }
            return at;
        }
    };

    std::string_view text_;
    long end_;
    Cached link_;
    Cached image_;
};

// The changes of one run, kept as the new text of the range from the first changed line to the
// end of the last one, so that a run over many lines stays linear in the text's length.
class Rewrite {
  public:
    explicit Rewrite(std::string_view text) : text_(text) {}

    void Replace(long start, long end, std::string_view with) {
        if (first_ < 0) {
            first_ = start;
            copied_ = start;
            // Fixed links grow by the root and path; room for that saves copying on growth.
            out_.reserve((text_.size() - size_t(start)) / 4 * 5);
        }
        out_.append(text_, size_t(copied_), size_t(start - copied_));
        out_.append(with);
        copied_ = end;
        delta_ += long(with.size()) - (end - start);
    }

    long Delta() const { return delta_; }

    void ApplyTo(TextBuffer& buffer) const {
        if (first_ < 0) return;
        buffer.Replace(first_, copied_, out_);
    }

  private:
    std::string_view text_;
    std::string out_;
    long first_ = -1;
    long copied_ = 0;
    long delta_ = 0;
};

}  // namespace

bool IsInLinkOrImageSection(std::string_view text, long offset) {
    if (offset <= 0) return false;
    const std::string_view before = text.substr(0, std::min(size_t(offset), text.size()));
    std::string_view last;
    size_t open = before.find('[');
    while (open != std::string_view::npos) {
        const size_t close = before.find(']', open);
        if (close == std::string_view::npos) break;  // an unclosed "[" is no header
        last = before.substr(open, close - open + 1);
        open = before.find('[', close);
    }
    return EqualsIgnoreCase(last, kLinkHeader) || EqualsIgnoreCase(last, kImageHeader);
}

FixLinksResult FixLinksInDocument(TextBuffer& buffer, const FixLinksOptions& options,
                                  ProgressObserver& progress) {
    FixLinksResult result;
    try {
        const std::string original = buffer.Text();
        const std::string_view text = original;
        const long size = long(text.size());
        const LinkBase base = MakeLinkBase(options.root, options.path);

        // The scope, in offsets of the text as it was before the run. Lines after the one being
        // read are not changed yet, so the end stays where the user put it.
        long start = 0;
        long end = std::numeric_limits<long>::max();  // past every line, even an empty last one
        if (options.scope != FixScope::WholeDocument) start = buffer.SelectionStart();
        if (options.scope == FixScope::Selection) {
            end = std::min(size, start + buffer.SelectionLength());
        }

        const Lines lines(text);
        SectionFinder sections(text, end);
        Rewrite rewrite(text);
        long selStart = 0;  // the selection as the scan leaves it, in offsets of the new text
        long selLength = 0;

        // The first line to read: the caret's own line when it lies in a section, else the line
        // after the first header in the scope.
        Line next;
        if (options.scope != FixScope::WholeDocument && IsInLinkOrImageSection(text, start)) {
            next = lines.Holding(Line{}, start);
            selStart = start;
        } else {
            const Header header = sections.Next(start);
            if (header.at < 0) {
                result.outcome = FixOutcome::NoSection;
                result.message = kNoSectionMessage;
                return result;
            }
            selStart = header.at;
            selLength = header.length;
            next = lines.Holding(Line{}, header.at);
            // Outside the whole document the header's own line is read first; as it starts with
            // "[" it ends that section at once and the search below finds the header again.
            if (options.scope == FixScope::WholeDocument) next = lines.Next(next);
        }

        const long lineCount = lines.Count();
        progress.SetAction(kFixingLinksAction);
        progress.SetMax(lineCount);

        auto stop = [&] {
            result.outcome = FixOutcome::Stopped;
            rewrite.ApplyTo(buffer);
            buffer.Select(selStart, selLength);
            return result;
        };

        bool textEnded = false;
        while (!textEnded) {
            progress.SetValue(std::max(0L, next.number - 1));
            if (progress.ShouldStop()) return stop();

            Line current;
            while (true) {
                if (progress.ShouldStop()) return stop();
                progress.SetValue(next.number);
                current = next;
                if (current.start < 0) {
                    textEnded = true;
                    break;
                }
                if (current.start >= end) break;
                const long lineEnd = lines.End(current.start);
                const std::string_view line =
                    text.substr(size_t(current.start), size_t(lineEnd - current.start));
                selStart = current.start + rewrite.Delta();
                selLength = long(line.size());
                if (line.starts_with('[')) break;
                next = Line{current.number + 1, lineEnd < size ? lineEnd + 2 : -1};
                if (!IsFixCandidate(line)) continue;
                const std::string_view link = TrimBlanks(line);
                if (link.empty()) continue;
                progress.SetStatus(link);
                rewrite.Replace(current.start, lineEnd, ResolveRelativeLink(base, link));
                selStart = lineEnd + rewrite.Delta();
                selLength = 0;
                ++result.linesFixed;
            }
            if (textEnded) break;

            const Header header = sections.Next(current.start);
            if (header.at < 0) break;
            selStart = header.at + rewrite.Delta();
            selLength = header.length;
            next = lines.Next(lines.Holding(current, header.at));
        }

        rewrite.ApplyTo(buffer);
        selLength = 0;
        switch (options.caret) {
            case FixCaret::FirstFixedPosition:
                selStart = start;
                break;
            case FixCaret::BeginOfDocument:
                selStart = 0;
                break;
            case FixCaret::EndOfDocument:
                selStart = kEndOfText;
                break;
            case FixCaret::LastFixedPosition:
                break;  // where the scan stopped
        }
        buffer.Select(selStart, selLength);
        progress.SetValue(lineCount);
        result.outcome = FixOutcome::Finished;
        return result;
    } catch (const std::exception& e) {
        result.outcome = FixOutcome::Failed;
        result.message = e.what();
        result.linesFixed = 0;
        return result;
    }
}

}  // namespace morv
