#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Result.h"

// The renamer's name template engine: pure text work, no I/O. A template is ordinary text in which
// every "#" is one digit position of a running counter and every "*" stands for the file's old
// name without its extension.
namespace morv::renamer {

// The text after the last "." of path when that dot comes after the last separator and is not
// the last character; "" otherwise.
std::string GetFileExtension(std::string_view path);

// The name trimmed of blanks, without everything up to its last separator and without
// everything from its last "." on ("notes." gives "notes", ".profile" gives "").
std::string GetBaseName(std::string_view name);

// One row of the renamer's list.
struct FileEntry {
    std::string fullPath;           // unique within the list: the row's key
    std::string displayName;        // GetFileName(fullPath), shown as "Previous Name"
    std::string originalExtension;  // GetFileExtension(fullPath), without the dot; may be empty
    std::string newName;            // set by ShowPreview, shown as "New Name"
};

FileEntry MakeFileEntry(std::string fullPath);

struct TemplateOptions {
    bool removeExtension = false;  // "Remove original extension"
    bool lowerExtension = false;   // "Force lower case extension"
};

// Error number and description of a start value or counter outside the signed 32-bit range.
inline constexpr int kOverflowError = 6;
inline constexpr const char* kOverflowDescription = "Overflow";
inline constexpr const char* kPreviewSource = "mCommon::ShowPreview";

// The start field read the way a numeric literal is read: blanks are skipped, reading stops at
// the first character that cannot continue the number, text without a leading number is 0. The
// value is rounded to the nearest integer, ties to even. Fails with the overflow error outside
// the signed 32-bit range.
Result<int32_t> ReadStartValue(std::string_view text);

// x rounded to the nearest integer, ties to the even one (1.5 and 2.5 both give 2).
double RoundHalfToEven(double x);

// text with every letter of its valid UTF-8 sequences in lower case ("ÄÖ" gives "äö"); bytes
// that are not valid UTF-8 are kept as they are.
std::string LowerCaseUtf8(std::string_view text);

// The new name of one file: the template's "#" positions filled with the counter, right-aligned
// and zero-filled (the first "#" takes the surplus digits; a negative counter puts its "-" in
// front of them), every "*" replaced by baseName in one pass (the inserted text is never searched
// again), then "." + extension unless removed or empty, lower-cased on request.
std::string BuildNewName(std::string_view nameTemplate, int64_t counter, std::string_view baseName,
                         std::string_view extension, TemplateOptions options);

// Rewrites the new name of every entry in list order, the counter starting at the start value
// and going up by one per entry. On a failure (start value or counter out of range) the run stops
// at that entry: earlier entries keep their new names, later ones their old contents; made (when
// given) tells how many got a new name. The error comes from "mCommon::ShowPreview".
Status ShowPreview(std::vector<FileEntry>& entries, std::string_view nameTemplate,
                   std::string_view startText, TemplateOptions options, size_t* made = nullptr);

// The template field refuses eight typed characters: / \ : ? " < > |
bool IsRefusedTemplateChar(char32_t c);
// The warning shown when it does (two lines joined by CR LF).
inline constexpr const char* kTemplateWarning =
    "Template cannot contain any of the following characters:\r\n/ \\ : ? \" < > |";

// The start field takes typed digits, the decimal point and Backspace only.
bool IsAcceptedStartKey(char32_t c);

}  // namespace morv::renamer
