#include "extract/core/Scanners.h"

#include <cstring>
#include <string>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

constexpr size_t npos = std::string_view::npos;

// Whether the marker m of length k stands at d + at, letters in any case.
inline bool MatchesAt(const char* d, size_t at, const char* m, size_t k) {
    for (size_t j = 0; j < k; ++j) {
        if (AsciiLower(d[at + j]) != AsciiLower(m[j])) return false;
    }
    return true;
}

#if defined(__x86_64__)
// The wide form of the block test below, for processors with AVX2: 32 starting positions at once.
// Returns the first match, or npos with i moved to where whole blocks end.
__attribute__((target("avx2"))) size_t FindBlocksAvx2(const char* d, size_t n, const char* m,
                                                      size_t k, size_t& i) {
    const __m256i fold = _mm256_set1_epi8(0x20);
    const __m256i first = _mm256_set1_epi8(char(m[0] | 0x20));
    const __m256i last = _mm256_set1_epi8(char(m[k - 1] | 0x20));
    while (i + 32 + k - 1 <= n) {
        const __m256i a =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i)), fold);
        const __m256i b = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + k - 1)), fold);
        unsigned mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        while (mask != 0) {
            const size_t candidate = i + size_t(__builtin_ctz(mask));
            if (MatchesAt(d, candidate, m, k)) return candidate;
            mask &= mask - 1;
        }
        i += 32;
    }
    return npos;
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#endif

// Finds one marker (ASCII, letters in any case) in one text, again and again at increasing
// positions. Sixteen starting positions are tested at once for the marker's first and last byte
// (case-folded by setting bit 0x20, which leaves '<', '/', '>' and ':' as they are); only the
// few positions that pass both are compared in full. Every search stops at its match and the
// next one starts after it, so a scan stays linear in the text's size however many markers the
// text holds; once a search has found nothing, later ones answer at once.
class MarkerSearch {
  public:
    MarkerSearch(std::string_view text, std::string_view marker) : text_(text), marker_(marker) {}

    size_t Find(size_t from) {
        const size_t n = text_.size();
        const size_t k = marker_.size();
        if (from >= noneFrom_ || n < k) return npos;
        const char* d = text_.data();
        size_t i = from;
#if defined(__x86_64__)
        if (kHaveAvx2) {
            size_t found = FindBlocksAvx2(d, n, marker_.data(), k, i);
            if (found != npos) return found;
        }
        const __m128i fold = _mm_set1_epi8(0x20);
        const __m128i first = _mm_set1_epi8(char(marker_[0] | 0x20));
        const __m128i last = _mm_set1_epi8(char(marker_[k - 1] | 0x20));
        while (i + 16 + k - 1 <= n) {
            const __m128i a =
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i)), fold);
            const __m128i b = _mm_or_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + k - 1)), fold);
            unsigned mask = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
            while (mask != 0) {
                const size_t candidate = i + size_t(__builtin_ctz(mask));
                if (Matches(candidate)) return candidate;
                mask &= mask - 1;
            }
            i += 16;
        }
#endif
        const char lower = AsciiLower(marker_[0]);
        for (; i + k <= n; ++i) {
            if (AsciiLower(d[i]) == lower && Matches(i)) return i;
        }
        noneFrom_ = from;
        return npos;
    }

  private:
    bool Matches(size_t at) const {
        return MatchesAt(text_.data(), at, marker_.data(), marker_.size());
    }

    std::string_view text_;
    std::string_view marker_;
    size_t noneFrom_ = npos;  // a search from here on finds nothing
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
