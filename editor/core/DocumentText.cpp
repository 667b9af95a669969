#include "editor/core/DocumentText.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "helpers/core/FileIo.h"

namespace morv {

namespace {

// 0x80..0x9F of Windows-1252; zero marks the five unassigned bytes, which map to themselves.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is not valid.
int Utf8Sequence(std::string_view text, size_t i, char32_t& cp) {
    const unsigned char c = (unsigned char)text[i];
    int length;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        length = 2, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + size_t(length) > text.size()) return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char cc = (unsigned char)text[i + size_t(k)];
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

Result<std::string> ReadDocumentFile(const std::string& path) {
    return ReadFile(path, ReadOptions{kMaxDocumentSize, false, {}});
}

Status WriteDocumentFile(const std::string& path, std::string_view bytes) {
    return WriteWholeFile(path, bytes);
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        // Runs of ASCII are the common case: skip them eight bytes at a time.
        while (i + 8 <= bytes.size()) {
            unsigned long long word = 0;
            for (int k = 0; k < 8; ++k)
                word |= (unsigned long long)(unsigned char)bytes[i + size_t(k)] << (8 * k);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= bytes.size()) break;
        char32_t cp;
        int length = Utf8Sequence(bytes, i, cp);
        if (length == 0) return false;
        i += size_t(length);
    }
    return true;
}

namespace {

// The next CR and the next LF at or after a position, found with memchr and remembered until the
// position passes them, so a scan for breaks reads the text once.
class BreakScanner {
  public:
    explicit BreakScanner(std::string_view bytes) : bytes_(bytes) {}
    // Offset of the next CR or LF at or after from, or the size when there is none.
    size_t Next(size_t from) {
        if (cr_ == kUnknown || cr_ < from) cr_ = Find('\r', from);
        if (lf_ == kUnknown || lf_ < from) lf_ = Find('\n', from);
        return std::min(cr_, lf_);
    }

  private:
    size_t Find(char c, size_t from) const {
        if (from >= bytes_.size()) return bytes_.size();
        const void* at = std::memchr(bytes_.data() + from, c, bytes_.size() - from);
        return at == nullptr ? bytes_.size() : size_t(static_cast<const char*>(at) - bytes_.data());
    }
    static constexpr size_t kUnknown = size_t(-1);
    std::string_view bytes_;
    size_t cr_ = kUnknown, lf_ = kUnknown;
};

// Calls onBreak(offset, isLone, length) for each line break: CR LF (length 2), lone CR or LF.
template <typename OnBreak>
void ForEachBreak(std::string_view bytes, OnBreak onBreak) {
    BreakScanner scanner(bytes);
    size_t at = scanner.Next(0);
    while (at < bytes.size()) {
        const bool pair = bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n';
        if (!onBreak(at, !pair, pair ? size_t(2) : size_t(1))) return;
        at = scanner.Next(at + (pair ? 2 : 1));
    }
}

}  // namespace

bool HasLoneBreak(std::string_view bytes) {
    bool lone = false;
    ForEachBreak(bytes, [&](size_t, bool isLone, size_t) { return !(lone = isLone); });
    return lone;
}

std::string NormalizeLineBreaks(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 64);
    AppendDecoded(bytes, TextEncoding::Utf8, out);
    return out;
}

TextEncoding DetectEncoding(std::string_view bytes) {
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

char32_t Windows1252ToUnicode(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    char16_t mapped = kHighControls[byte - 0x80];
    return mapped == 0 ? char32_t(byte) : char32_t(mapped);
}

int UnicodeToWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
    for (int i = 0; i < 32; ++i) {
        const char16_t mapped = kHighControls[size_t(i)];
        if (mapped == cp || (mapped == 0 && cp == char32_t(0x80 + i))) return 0x80 + i;
    }
    return -1;
}

bool IsEditorText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252) {
        for (char c : bytes)
            if ((unsigned char)c >= 0x80) return false;
    }
    return !HasLoneBreak(bytes);
}

void AppendDecoded(std::string_view bytes, TextEncoding encoding, std::string& out) {
    // The text between breaks goes over in one piece; each break becomes CR LF.
    auto appendText = [&](std::string_view text) {
        if (encoding == TextEncoding::Utf8) {
            out += text;
            return;
        }
        for (char c : text) {
            if ((unsigned char)c < 0x80)
                out += c;
            else
                AppendUtf8(out, Windows1252ToUnicode((unsigned char)c));
        }
    };
    size_t start = 0;
    ForEachBreak(bytes, [&](size_t at, bool, size_t length) {
        appendText(bytes.substr(start, at - start));
        out += "\r\n";
        start = at + length;
        return true;
    });
    appendText(bytes.substr(start));
}

uint64_t DecodedLength(std::string_view bytes, TextEncoding encoding) {
    uint64_t length = bytes.size();
    ForEachBreak(bytes, [&](size_t, bool isLone, size_t) {
        if (isLone) ++length;  // one byte becomes two
        return true;
    });
    if (encoding == TextEncoding::Windows1252) {
        for (char c : bytes) {
            if ((unsigned char)c >= 0x80)
                length += Windows1252ToUnicode((unsigned char)c) < 0x800 ? 1 : 2;
        }
    }
    return length;
}

size_t PieceEnd(std::string_view bytes, size_t start, size_t pieceSize) {
    size_t end = std::min(bytes.size(), start + std::max<size_t>(pieceSize, 1));
    // Within a UTF-8 sequence: on to its end, at most three bytes (more is no UTF-8 anyway).
    for (int k = 0; k < 3 && end < bytes.size() && ((unsigned char)bytes[end] & 0xC0) == 0x80; ++k)
        ++end;
    if (end < bytes.size() && bytes[end - 1] == '\r' && bytes[end] == '\n') ++end;
    return end;
}

DecodedText DecodeDocument(std::string_view bytes) {
    DecodedText decoded;
    decoded.encoding = DetectEncoding(bytes);
    decoded.utf8.reserve(size_t(DecodedLength(bytes, decoded.encoding)));
    AppendDecoded(bytes, decoded.encoding, decoded.utf8);
    return decoded;
}

std::string EncodeDocument(std::string_view utf8, TextEncoding encoding, bool* lossless) {
    if (lossless != nullptr) *lossless = true;
    if (encoding == TextEncoding::Utf8) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if ((unsigned char)c < 0x80) {
            out += c;
            ++i;
            continue;
        }
        char32_t cp;
        int length = Utf8Sequence(utf8, i, cp);
        if (length == 0) {  // not UTF-8 after all: keep the byte
            out += c;
            ++i;
            continue;
        }
        int byte = UnicodeToWindows1252(cp);
        if (byte < 0) {
            out += '?';
            if (lossless != nullptr) *lossless = false;
        } else {
            out += char(byte);
        }
        i += size_t(length);
    }
    return out;
}

}  // namespace morv
