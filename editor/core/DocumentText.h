#pragma once

#include <string>
#include <string_view>

#include "helpers/core/Result.h"
#include "helpers/core/TextUtil.h"  // AppendUtf8

// How a document's bytes become the editor's text and back. The editor shows a file as UTF-8
// when its bytes are valid UTF-8, otherwise as Windows-1252 in which every byte is one character
// (the five bytes that code page leaves unassigned stay the control characters of the same
// number), and saves it back in the same encoding. An unchanged file with CR LF line breaks
// therefore saves to identical bytes.

namespace morv {

enum class TextEncoding { Utf8, Windows1252 };

// The bytes of a document file: a regular file of at most kMaxDocumentSize bytes. A pipe or a
// device is refused at once, so the window never waits on one or fills its memory from it.
Result<std::string> ReadDocumentFile(const std::string& path);

// Writes a document's bytes through WriteWholeFile: a failure never leaves a half-written file,
// links, hard links and the file's mode stay, a device or pipe is written into (a pipe nobody
// reads fails at once).
Status WriteDocumentFile(const std::string& path, std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Every lone CR and lone LF becomes CR LF; CR LF stays.
std::string NormalizeLineBreaks(std::string_view bytes);

// The document as UTF-8 text with '\n' line breaks (CR LF, lone CR and lone LF each become one
// '\n'), and the encoding it was read in.
struct DecodedText {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
};
DecodedText DecodeDocument(std::string_view bytes);
// The same conversion for bytes known to be in a given encoding (a piece of a document).
std::string DecodeAs(std::string_view bytes, TextEncoding encoding);

// UTF-8 text with '\n' breaks back to bytes in the encoding with CR LF breaks. Characters the
// encoding cannot hold become '?' and *lossless is set to false.
std::string EncodeDocument(std::string_view utf8, TextEncoding encoding, bool* lossless = nullptr);

// The number of bytes one character (a UTF-16 code unit from the editor) takes when encoded.
int EncodedLength(char16_t unit, TextEncoding encoding);

// Windows-1252 byte <-> Unicode code point.
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte for a code point, or -1 when the code page has none.
int UnicodeToWindows1252(char32_t codePoint);

}  // namespace morv
