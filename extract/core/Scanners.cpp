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
    // known: every place of the marker in text, in increasing order (from FindStartMarkers).
    MarkerSearch(std::string_view text, std::string_view marker,
                 const std::vector<size_t>* known = nullptr)
        : text_(text), marker_(marker), known_(known) {}

    size_t Find(size_t from) {
        if (known_ != nullptr) {
            if (next_ > 0 && (*known_)[next_ - 1] >= from) next_ = 0;  // went back: start over
            while (next_ < known_->size() && (*known_)[next_] < from)
                ++next_;
            return next_ < known_->size() ? (*known_)[next_] : npos;
        }
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
    const std::vector<size_t>* known_;
    size_t next_ = 0;         // in known_: the first place not yet passed
    size_t noneFrom_ = npos;  // a search from here on finds nothing
};

const char* const kStartMarkers[kTagKindCount] = {"<script", "<style", "href", "<img", "mailto:"};
constexpr size_t kStartMarkerLengths[kTagKindCount] = {7, 6, 4, 4, 7};

const std::vector<size_t>* Known(const StartMarkers* starts, TagKind kind) {
    return starts == nullptr ? nullptr : &starts->at[int(kind)];
}

#if defined(__x86_64__)
// The one sweep of FindStartMarkers, 32 positions at a time: '<', 'h' and 'm' at the position,
// 'f' or 'g' three bytes on, 'e' five on, 't' or ':' six on (all case-folded); candidates are then
// compared in full. Returns where whole blocks end.
__attribute__((target("avx2"))) size_t SweepStartMarkersAvx2(const char* d, size_t n,
                                                             StartMarkers& markers) {
    const __m256i fold = _mm256_set1_epi8(0x20);
    const __m256i lt = _mm256_set1_epi8('<'), h = _mm256_set1_epi8('h'), m = _mm256_set1_epi8('m');
    const __m256i f = _mm256_set1_epi8('f'), g = _mm256_set1_epi8('g'), e = _mm256_set1_epi8('e'),
                  t = _mm256_set1_epi8('t'), colon = _mm256_set1_epi8(':');
#define MORV_LOAD(at) \
    _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + (at))), fold)
    size_t i = 0;
    while (i + 32 + 6 <= n) {
        const __m256i a = MORV_LOAD(i), b3 = MORV_LOAD(i + 3), b5 = MORV_LOAD(i + 5),
                      b6 = MORV_LOAD(i + 6);
        const __m256i isLt = _mm256_cmpeq_epi8(a, lt);
        const __m256i kinds[kTagKindCount] = {
            _mm256_and_si256(isLt, _mm256_cmpeq_epi8(b6, t)),
            _mm256_and_si256(isLt, _mm256_cmpeq_epi8(b5, e)),
            _mm256_and_si256(_mm256_cmpeq_epi8(a, h), _mm256_cmpeq_epi8(b3, f)),
            _mm256_and_si256(isLt, _mm256_cmpeq_epi8(b3, g)),
            _mm256_and_si256(_mm256_cmpeq_epi8(a, m), _mm256_cmpeq_epi8(b6, colon)),
        };
        const __m256i any = _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(kinds[0], kinds[1]),
                                                            _mm256_or_si256(kinds[2], kinds[3])),
                                            kinds[4]);
        if (_mm256_movemask_epi8(any) != 0) {
            for (int k = 0; k < kTagKindCount; ++k) {
                unsigned mask = unsigned(_mm256_movemask_epi8(kinds[k]));
                const char* marker = kStartMarkers[k];
                const size_t length = kStartMarkerLengths[k];
                while (mask != 0) {
                    const size_t candidate = i + size_t(__builtin_ctz(mask));
                    if (MatchesAt(d, candidate, marker, length)) markers.at[k].push_back(candidate);
                    mask &= mask - 1;
                }
            }
        }
        i += 32;
    }
#undef MORV_LOAD
    return i;
}
#endif

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
                     ReportWriter& out, ProgressObserver& progress,
                     const std::vector<size_t>* known) {
    MarkerSearch starts(text, start, known);
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

// The places of the values a caller has already (in increasing order): the scanners pass over
// them without reading them.
class TakenValues {
  public:
    explicit TakenValues(const std::vector<size_t>* places) : places_(places) {}
    // Whether a value begins at begin, which grows from call to call.
    bool Has(size_t begin) {
        if (places_ == nullptr) return false;
        while (next_ < places_->size() && (*places_)[next_] < begin)
            ++next_;
        return next_ < places_->size() && (*places_)[next_] == begin;
    }

  private:
    const std::vector<size_t>* places_;
    size_t next_ = 0;
};

// The values of the link scanner, handed to found with their places.
template <typename Found>
void ScanLinkValues(std::string_view text, ProgressObserver& progress,
                    const std::vector<size_t>* known, Found&& found,
                    const std::vector<size_t>* takenPlaces = nullptr) {
    TakenValues taken(takenPlaces);
    std::string joined;  // the value with its line feeds made blanks, when it has any
    MarkerSearch hrefs(text, "href", known);
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
            if (taken.Has(q + 1)) {
                p = hrefs.Find(next);
                continue;
            }
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
            if (!dropped) found(FoundReference{value, q + 1, e, p});
        }
        p = hrefs.Find(next);
    }
}

// The values of the image scanner, handed to found with their places.
template <typename Found>
void ScanImageValues(std::string_view text, ProgressObserver& progress,
                     const std::vector<size_t>* known, Found&& found,
                     const std::vector<size_t>* takenPlaces = nullptr) {
    TakenValues taken(takenPlaces);
    std::string joined;  // the value without its line feeds, when it has any
    MarkerSearch images(text, "<img", known);
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
        if (taken.Has(q + 1)) {
            p = images.Find(e);
            continue;
        }
        std::string_view value = text.substr(q + 1, e - q - 1);
        if (value.find('\n') != npos) {
            joined.clear();
            for (char c : value)
                if (c != '\n') joined += c;
            value = joined;
        }
        value = TrimBlanks(value);
        bool dropped = value.size() < 2 || value.find(';') != npos;
        if (!dropped) found(FoundReference{value, q + 1, e, p});
        p = images.Find(e);
    }
}

}  // namespace

void FindStartMarkers(std::string_view text, StartMarkers& markers) {
    for (std::vector<size_t>& places : markers.at)
        places.clear();
    const char* d = text.data();
    const size_t n = text.size();
    size_t i = 0;
#if defined(__x86_64__)
    if (kHaveAvx2) i = SweepStartMarkersAvx2(d, n, markers);
#endif
    if (i == 0) {
        // No wide sweep: one search per marker.
        for (int k = 0; k < kTagKindCount; ++k) {
            MarkerSearch search(text, kStartMarkers[k]);
            for (size_t p = search.Find(0); p != npos; p = search.Find(p + 1))
                markers.at[k].push_back(p);
        }
        return;
    }
    for (; i < n; ++i) {
        for (int k = 0; k < kTagKindCount; ++k) {
            const size_t length = kStartMarkerLengths[k];
            if (i + length <= n && MatchesAt(d, i, kStartMarkers[k], length))
                markers.at[k].push_back(i);
        }
    }
}

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

void ExtractScripts(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                    const StartMarkers* starts) {
    ExtractElements(text, "<script", "/script>", out, progress, Known(starts, TagKind::Script));
}

void ExtractStyles(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                   const StartMarkers* starts) {
    ExtractElements(text, "<style", "/style>", out, progress, Known(starts, TagKind::Style));
}

void ExtractLinks(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                  ProgressObserver& progress, const StartMarkers* starts) {
    ScanLinkValues(text, progress, Known(starts, TagKind::Link), [&](const FoundReference& found) {
        if (PassesRelativeRule(found.value, noRelativeLinks)) out.Line(found.value);
    });
}

void ExtractImages(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                   ProgressObserver& progress, const StartMarkers* starts) {
    ScanImageValues(text, progress, Known(starts, TagKind::Image),
                    [&](const FoundReference& found) {
                        if (PassesRelativeRule(found.value, noRelativeLinks)) out.Line(found.value);
                    });
}

void ScanLinks(std::string_view text, const ReferenceVisitor& found, ProgressObserver& progress,
               const StartMarkers* starts, const std::vector<size_t>* taken) {
    ScanLinkValues(text, progress, Known(starts, TagKind::Link), found, taken);
}

void ScanImages(std::string_view text, const ReferenceVisitor& found, ProgressObserver& progress,
                const StartMarkers* starts, const std::vector<size_t>* taken) {
    ScanImageValues(text, progress, Known(starts, TagKind::Image), found, taken);
}

void ExtractEmails(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                   const StartMarkers* starts) {
    MarkerSearch mailtos(text, "mailto:", Known(starts, TagKind::Email));
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
                ProgressObserver& progress, const StartMarkers* starts) {
    switch (kind) {
        case TagKind::Script:
            return ExtractScripts(text, out, progress, starts);
        case TagKind::Style:
            return ExtractStyles(text, out, progress, starts);
        case TagKind::Link:
            return ExtractLinks(text, noRelativeLinks, out, progress, starts);
        case TagKind::Image:
            return ExtractImages(text, noRelativeLinks, out, progress, starts);
        case TagKind::Email:
            return ExtractEmails(text, out, progress, starts);
    }
}

}  // namespace morv
