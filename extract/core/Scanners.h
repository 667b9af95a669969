#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "extract/core/ReportWriter.h"
#include "helpers/core/Progress.h"

// The five tag scanners. Each looks for a fixed marker in the bytes of one source file (letters
// in any case), then for its delimiters, and writes the text in between to the report, one line
// per item, in the order the items stand in the file. They are text searches, not an HTML
// parser: what they take and drop is part of the report format that the sections tree and the
// link fixer read, so it must not be made "smarter". A missing closing delimiter ends the scan
// of that kind for the file; ShouldStop is polled once per item and ends it too.
namespace morv {

enum class TagKind { Script = 0, Style = 1, Link = 2, Image = 3, Email = 4 };
inline constexpr int kTagKindCount = 5;

// The places of every scanner's start marker in one text ("<script", "<style", "href", "<img",
// "mailto:", letters in any case), by TagKind, in increasing order, found in one sweep over the
// text. A scanner given them steps through its list instead of searching the text itself, which
// is the same result for a fifth of the work.
struct StartMarkers {
    std::vector<size_t> at[kTagKindCount];
};
void FindStartMarkers(std::string_view text, StartMarkers& markers);

// "[SCRIPT]", "[STYLE]", "[LINK]", "[IMAGE]", "[E-MAIL]".
std::string_view SectionHeader(TagKind kind);

// Whole "<script" ... "/script>" elements, line breaks kept.
void ExtractScripts(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                    const StartMarkers* starts = nullptr);
// Whole "<style" ... "/style>" elements.
void ExtractStyles(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                   const StartMarkers* starts = nullptr);
// Values between the two double quotes after an "href" that has "=" within its first 8
// characters. With noRelativeLinks only values naming "http:" or "ftp:" are written.
void ExtractLinks(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                  ProgressObserver& progress, const StartMarkers* starts = nullptr);
// Values between the two double quotes after the "src" that follows an "<img".
void ExtractImages(std::string_view text, bool noRelativeLinks, ReportWriter& out,
                   ProgressObserver& progress, const StartMarkers* starts = nullptr);
// "mailto:" and everything up to the next double quote.
void ExtractEmails(std::string_view text, ReportWriter& out, ProgressObserver& progress,
                   const StartMarkers* starts = nullptr);

// One value of the link or image scanner and where it stands in the scanned text: the raw value
// between its two double quotes is text[begin, end); value is that text as the scanner writes it
// (line feeds made blanks for links, dropped for images, then trimmed), and marker is the place of
// the "href" or "<img" that led to it. A rewrite of the reference replaces text[begin, end).
// value may point into the scanner's own buffer: it is valid only during the call it is passed to.
struct FoundReference {
    std::string_view value;
    size_t begin = 0;
    size_t end = 0;
    size_t marker = 0;
};
using ReferenceVisitor = std::function<void(const FoundReference&)>;

// Every value ExtractLinks and ExtractImages would write (without the relative-links rule), with
// its place, in text order; but those that begin at one of the places of taken (in increasing
// order), which the caller has already.
void ScanLinks(std::string_view text, const ReferenceVisitor& found, ProgressObserver& progress,
               const StartMarkers* starts = nullptr, const std::vector<size_t>* taken = nullptr);
void ScanImages(std::string_view text, const ReferenceVisitor& found, ProgressObserver& progress,
                const StartMarkers* starts = nullptr, const std::vector<size_t>* taken = nullptr);

// Runs the scanner of one kind; starts, when given, are the text's start markers.
void RunScanner(TagKind kind, std::string_view text, bool noRelativeLinks, ReportWriter& out,
                ProgressObserver& progress, const StartMarkers* starts = nullptr);

}  // namespace morv
