#include "renamer/core/NameTemplate.h"

#include <locale.h>
#include <wctype.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv::renamer {

std::string GetFileExtension(std::string_view path) {
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == path.size()) return {};
    size_t slash = path.rfind(kPathSeparator);
    if (slash != std::string_view::npos && slash > dot) return {};
    return std::string(path.substr(dot + 1));
}

std::string GetBaseName(std::string_view name) {
    name = TrimBlanks(name);
    if (size_t slash = name.rfind(kPathSeparator); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

FileEntry MakeFileEntry(std::string fullPath) {
    FileEntry entry;
    entry.displayName = GetFileName(fullPath);
    entry.originalExtension = GetFileExtension(fullPath);
    entry.fullPath = std::move(fullPath);
    return entry;
}

namespace {

Error Overflow() {
    return Error{kOverflowError, kPreviewSource, kOverflowDescription};
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The leading number of text with the blanks inside it dropped ("" when there is none), in the
// form std::from_chars reads: [-]digits[.digits][e[-]digits].
std::string LeadingNumber(std::string_view text) {
    std::string number;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
    };
    auto digits = [&] {
        size_t count = 0;
        for (skipBlanks(); i < text.size() && IsDigit(text[i]); skipBlanks())
            number += text[i++], ++count;
        return count;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        number += '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return {};
    // An exponent counts only when digits follow it ("1e" reads as 1).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        size_t mark = i;
        std::string kept = number;
        ++i;
        skipBlanks();
        number += 'e';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-') number += '-';
            ++i;
        }
        if (digits() == 0) i = mark, number = kept;
    }
    return number;
}

// The code point of the UTF-8 sequence at text[i] and its length, or length 0 when the bytes
// there are no valid sequence (a stray continuation byte, a cut or overlong sequence, a
// surrogate, a value above U+10FFFF).
std::pair<char32_t, size_t> DecodeUtf8(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return {lead, 1};
    size_t length = 0;
    char32_t cp = 0, least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return {0, 0};
    }
    if (i + length > text.size()) return {0, 0};
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
    return {cp, length};
}

}  // namespace

std::string LowerCaseUtf8(std::string_view text) {
    // The C library's Unicode case tables, whatever locale the program runs in.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    std::string lower;
    lower.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [cp, length] = DecodeUtf8(text, i);
        if (length == 0) {
            lower += text[i++];
        } else if (cp < 0x80 || utf8 == locale_t(nullptr)) {
            lower.append(text.substr(i, length));
            if (cp < 0x80) lower.back() = AsciiLower(char(cp));
            i += length;
        } else {
            AppendUtf8(lower, char32_t(towlower_l(wint_t(cp), utf8)));
            i += length;
        }
    }
    return lower;
}

double RoundHalfToEven(double x) {
    double floor = std::floor(x);
    double rest = x - floor;
    if (rest > 0.5) return floor + 1;
    if (rest < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

Result<int32_t> ReadStartValue(std::string_view text) {
    std::string number = LeadingNumber(text);
    if (number.empty()) return int32_t{0};
    double value = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small to matter rounds to 0; too large is an overflow.
        bool tiny = number.find("e-") != std::string::npos;
        if (tiny) return int32_t{0};
        return Overflow();
    }
    if (ec != std::errc()) return int32_t{0};
    double rounded = RoundHalfToEven(value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max()))
        return Overflow();
    return int32_t(rounded);
}

std::string BuildNewName(std::string_view nameTemplate, int64_t counter, std::string_view baseName,
                         std::string_view extension, TemplateOptions options) {
    size_t positions = 0;
    for (char c : nameTemplate)
        positions += (c == '#');

    // The counter's digits, no sign, no leading zeros, padded to the number of positions.
    char buffer[24];
    uint64_t magnitude = counter < 0 ? uint64_t(0) - uint64_t(counter) : uint64_t(counter);
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    std::string_view digits(buffer, size_t(end - buffer));
    std::string padded;
    if (digits.size() < positions) {
        padded.assign(positions - digits.size(), '0');
        padded += digits;
        digits = padded;
    }
    // The first "#" takes every surplus digit, each later one a single digit.
    size_t firstWidth = positions == 0 ? 0 : digits.size() - positions + 1;

    std::string name;
    name.reserve(nameTemplate.size() + digits.size() + baseName.size() + extension.size() + 2);
    size_t used = 0;
    for (char c : nameTemplate) {
        if (c == '#') {
            if (used == 0) {
                if (counter < 0) name += '-';
                name.append(digits.substr(0, firstWidth));
                used = firstWidth;
            } else {
                name += digits[used++];
            }
        } else if (c == '*') {
            name.append(baseName);
        } else {
            name += c;
        }
    }
    if (!options.removeExtension && !extension.empty()) {
        name += '.';
        if (options.lowerExtension)
            name += LowerCaseUtf8(extension);
        else
            name.append(extension);
    }
    return name;
}

Status ShowPreview(std::vector<FileEntry>& entries, std::string_view nameTemplate,
                   std::string_view startText, TemplateOptions options, size_t* made) {
    size_t ignored = 0;
    size_t& count = made != nullptr ? *made : ignored;
    count = 0;
    Result<int32_t> start = ReadStartValue(startText);
    if (!start) return start.error();
    int64_t counter = start.value();
    for (FileEntry& entry : entries) {
        if (counter > std::numeric_limits<int32_t>::max()) return Overflow();
        entry.newName = BuildNewName(nameTemplate, counter, GetBaseName(entry.displayName),
                                     entry.originalExtension, options);
        ++counter, ++count;
    }
    return Ok();
}

bool IsRefusedTemplateChar(char32_t c) {
    switch (c) {
        case U'/':
        case U'\\':
        case U':':
        case U'?':
        case U'"':
        case U'<':
        case U'>':
        case U'|':
            return true;
        default:
            return false;
    }
}

bool IsAcceptedStartKey(char32_t c) {
    return (c >= U'0' && c <= U'9') || c == U'.' || c == U'\b';
}

}  // namespace morv::renamer
