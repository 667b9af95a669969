#pragma once

#include <string>
#include <string_view>

namespace morv {

// One settings file of the classic INI kind, read and written at once on every call:
//  - section and key names match without regard to ASCII letter case; blanks around names and
//    values are trimmed, and one matching pair of outer quotes ('..' or "..") leaves a value;
//  - a line whose first non-blank character is ';' is a comment; lines before the first section
//    are ignored but kept; the first of duplicate sections or keys wins;
//  - CR LF, a lone CR or a lone LF ends a line;
//  - a key present with an empty value reads as empty, not as the default; reads are cut to
//    kMaxValueLength characters;
//  - a write replaces the value in place and leaves every other line as it was; a new key goes
//    after the last line of its section, a new section at the end; lines are written with CR LF.
// Every write replaces the file atomically through WriteWholeFile (links, hard links and the
// file's mode kept) while holding an advisory lock on the folder, so a crash or a second
// instance never leaves a truncated or mixed file. A file that is there but cannot be read, or
// is a pipe or device, reads as missing and is never written.
class cINI {
  public:
    static constexpr size_t kMaxValueLength = 265;

    std::string FileName;  // full path of the settings file
    std::string AppName;   // the section that GetINI and SetINI use

    // Writes the value of key in section AppName; returns non-zero when the file was written.
    // Line breaks inside the value would split it into lines of their own: they become blanks.
    int SetINI(std::string_view keyName, std::string_view keyValue) const;

    // The value of key in section AppName, or defaultValue when the file, section or key is
    // missing.
    std::string GetINI(std::string_view keyName, std::string_view defaultValue = {}) const;
};

}  // namespace morv
