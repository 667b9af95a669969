#include "extract/core/Scanners.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

constexpr size_t npos = std::string_view::npos;

// Finds one marker (ASCII, letters in any case) again and again in one text, each time at or
// after a position no smaller than the last. The next place of each case of the marker's first
// byte is remembered, so a byte that does not occur (the capital of a lower-case marker, in most
// files) is looked for once per text, not once per call: a scan stays linear in the text's size
// however many markers it holds.
class MarkerSearch {
  public:
    MarkerSearch(std::string_view text, std::string_view marker)
        : text_(text),
          marker_(marker),
          first_{AsciiLower(marker[0]), AsciiUpper(marker[0])},
          cases_(first_[0] == first_[1] ? 1 : 2) {}

    size_t Find(size_t from) {
        if (text_.size() < marker_.size()) return npos;
        const size_t last = text_.size() - marker_.size();
        while (from <= last) {
            size_t candidate = Next(0, from);
            if (cases_ == 2) candidate = std::min(candidate, Next(1, from));
            if (candidate == npos || candidate > last) return npos;
            size_t i = 1;
            while (i < marker_.size() && AsciiLower(text_[candidate + i]) == AsciiLower(marker_[i]))
                ++i;
            if (i == marker_.size()) return candidate;
            from = candidate + 1;
        }
        return npos;
    }

  private:
    // The first place at or after from of one case of the first byte.
    size_t Next(int which, size_t from) {
        Cache& cache = cache_[which];
        if (cache.valid && from >= cache.from && (cache.at == npos || cache.at >= from))
            return cache.at;
        const void* hit = std::memchr(text_.data() + from, first_[which], text_.size() - from);
        cache = Cache{true, from,
                      hit == nullptr ? npos : size_t(static_cast<const char*>(hit) - text_.data())};
        return cache.at;
    }

    struct Cache {
        bool valid = false;
        size_t from = 0;
        size_t at = npos;
    };
    std::string_view text_;
    std::string_view marker_;
    char first_[2];
    int cases_;
    Cache cache_[2];
};

size_t FindQuote(std::string_view text, size_t from) {
    return from < text.size() ? text.find('"', from) : npos;
}

bool Contains(std::string_view text, std::string_view marker) {
    return FindIgnoreCase(text, marker) != npos;
}

// With "Don't add relative links" only absolute http and ftp addresses are kept.
bool PassesRelativeRule(std::string_view value, bool noRelativeLinks) {
    return !noRelativeLinks || Contains(value, "http:") || Contains(value, "ftp:");
}

// Whole elements from the start marker through the end marker.
void ExtractElements(std::string_view text, std::string_view start, std::string_view end,
                     ReportWriter& out, ProgressObserver& progress) {
    MarkerSearch starts(text, start);
    MarkerSearch ends(text, end);
    size_t p = starts.Find(0);
    while (p != npos) {
        if (progress.ShouldStop()) return;
        size_t e = ends.Find(p + 1);
        if (e == npos) return;
        out.Line(text.substr(p, e - p + end.size()));
        p = starts.Find(e);
    }
}

}  // namespace

std::string_view SectionHeader(TagKind kind) {
    switch (kind) {
        case TagKind::Script:
            return "[SCRIPT]";
        case TagKind::Style:
            return "[STYLE]";
        case TagKind::Link:
            return "[LINK]";
        case TagKind::Image:
            return "[IMAGE]";
        case TagKind::Email:
            return "[E-MAIL]";
    }
    return {};
}

void ExtractScripts(std::string_view text, ReportWriter& out, ProgressObserver& progress) {
    ExtractElements(text, "<script", "/script>", out, progress);
}

void ExtractStyles(std::string_view text, ReportWriter& out, ProgressObserver& progress) {
    ExtractElements(text, "<style", "/style>", out, progress);
}

void ExtractLinks(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                  ProgressObserver& progress) {
    std::string joined;  // the value with its line feeds made blanks, when it has any
    MarkerSearch hrefs(text, "href");
    size_t p = hrefs.Find(0);
    while (p != npos) {
        if (progress.ShouldStop()) return;
        size_t next = p + 1;
        // "href" counts only with an "=" among its own four letters and the four after them.
        if (text.substr(p, 8).find('=') != npos) {
            size_t q = FindQuote(text, p + 1);
            if (q == npos) return;
            size_t e = FindQuote(text, q + 1);
            if (e == npos) return;
            next = e;
            std::string_view value = text.substr(q + 1, e - q - 1);
            if (value.find('\n') != npos) {
                joined.assign(value);
                for (char& c : joined)
                    if (c == '\n') c = ' ';
                value = joined;
            }
            value = TrimBlanks(value);
            bool dropped = value.size() < 2 || value.find(';') != npos || value.find('<') != npos ||
                           Contains(value, "mailto:");
            if (!dropped && PassesRelativeRule(value, noRelativeLinks)) out.Line(value);
        }
        p = hrefs.Find(next);
    }
}

void ExtractImages(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                   ProgressObserver& progress) {
    std::string joined;  // the value without its line feeds, when it has any
    MarkerSearch images(text, "<img");
    MarkerSearch sources(text, "src");
    size_t p = images.Find(0);
    while (p != npos) {
        if (progress.ShouldStop()) return;
        size_t s = sources.Find(p + 1);
        if (s == npos) return;
        size_t q = FindQuote(text, s + 1);
        if (q == npos) return;
        size_t e = FindQuote(text, q + 1);
        if (e == npos) return;
        std::string_view value = text.substr(q + 1, e - q - 1);
        if (value.find('\n') != npos) {
            joined.clear();
            for (char c : value)
                if (c != '\n') joined += c;
            value = joined;
        }
        value = TrimBlanks(value);
        bool dropped = value.size() < 2 || value.find(';') != npos;
        if (!dropped && PassesRelativeRule(value, noRelativeLinks)) out.Line(value);
        p = images.Find(e);
    }
}

void ExtractEmails(std::string_view text, ReportWriter& out, ProgressObserver& progress) {
    MarkerSearch mailtos(text, "mailto:");
    size_t p = mailtos.Find(0);
    while (p != npos) {
        if (progress.ShouldStop()) return;
        size_t e = FindQuote(text, p + 1);
        if (e == npos) return;
        out.Line(text.substr(p, e - p));
        p = mailtos.Find(e);
    }
}

void RunScanner(TagKind kind, std::string_view text, bool noRelativeLinks, ReportWriter& out,
                ProgressObserver& progress) {
    switch (kind) {
        case TagKind::Script:
            return ExtractScripts(text, out, progress);
        case TagKind::Style:
            return ExtractStyles(text, out, progress);
        case TagKind::Link:
            return ExtractLinks(text, noRelativeLinks, out, progress);
        case TagKind::Image:
            return ExtractImages(text, noRelativeLinks, out, progress);
        case TagKind::Email:
            return ExtractEmails(text, out, progress);
    }
}

}  // namespace morv
