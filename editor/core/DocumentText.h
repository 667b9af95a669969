#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "helpers/core/Result.h"
#include "helpers/core/TextUtil.h"  // AppendUtf8

// How a document's bytes become the editor's text and back. The editor's text is UTF-8 with
// CR LF line breaks. A file whose bytes are valid UTF-8 is that text already (once its lone CR
// and lone LF breaks are CR LF); any other file is read as Windows-1252, in which every byte is
// one character (the five bytes that code page leaves unassigned stay the control characters of
// the same number), and saved back in the same encoding. An unchanged file with CR LF line breaks
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

// True when bytes hold a CR that is not followed by LF, or a LF that does not follow a CR.
bool HasLoneBreak(std::string_view bytes);

// The encoding a document's bytes are read in.
TextEncoding DetectEncoding(std::string_view bytes);

// Appends the editor's text for bytes known to be in a given encoding: decoded to UTF-8, every
// lone CR and lone LF made CR LF. A document may be decoded piece by piece when no piece ends
// between the CR and the LF of a break (PieceEnd).
void AppendDecoded(std::string_view bytes, TextEncoding encoding, std::string& out);

// True when bytes in an encoding are the editor's text as they stand (UTF-8 without lone breaks),
// so that they need no copy.
bool IsEditorText(std::string_view bytes, TextEncoding encoding);

// The length of the editor's text for bytes in an encoding, without making it.
uint64_t DecodedLength(std::string_view bytes, TextEncoding encoding);

// Where a piece of about pieceSize bytes starting at start should end: never between a CR and
// the LF after it, never before a UTF-8 continuation byte, and never past the end. Pieces cut so
// are valid UTF-8 each exactly when the whole is, and decode to the whole's text.
size_t PieceEnd(std::string_view bytes, size_t start, size_t pieceSize);

// The editor's text for a whole document, and the encoding it was read in.
struct DecodedText {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
};
DecodedText DecodeDocument(std::string_view bytes);

// The editor's text back to bytes in the encoding. Characters the encoding cannot hold become
// '?' and *lossless is set to false.
std::string EncodeDocument(std::string_view utf8, TextEncoding encoding, bool* lossless = nullptr);

// Windows-1252 byte <-> Unicode code point.
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte for a code point, or -1 when the code page has none.
int UnicodeToWindows1252(char32_t codePoint);

}  // namespace morv
