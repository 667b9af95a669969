#pragma once

#include <string>
#include <string_view>

#include "helpers/core/Progress.h"

namespace morv {

// The clean-up commands over a whole document. A line ends at CR LF or at a lone CR (a lone LF
// stays inside its line); the end of the text ends the last line, and a text that ends with a
// break has no empty line after it. Every kept line is written with CR LF. Progress: the range is
// the text's length in bytes, and the value the bytes done, reported at a line start every 64 KiB
// or so; a clean-up cannot be stopped.

// The first five characters of every header line of a report, one after another. A line goes
// when its first five characters (the whole line when shorter) occur anywhere in this string.
inline constexpr std::string_view kHeaderPrefixes = "[FILE[SCRI[STYL[LINK[IMAG[E-MA";

// Drops the report's header lines: every non-empty line whose first five characters occur in
// kHeaderPrefixes, letter case ignored. Empty lines stay.
std::string RemoveSectionAttributes(std::string_view text,
                                    ProgressObserver& progress = NoProgress());

// Drops every empty line. A line of blanks or tabs is not empty.
std::string RemoveEmptyLines(std::string_view text, ProgressObserver& progress = NoProgress());

}  // namespace morv
