#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morv {

// The whole argument text: the arguments joined with single blanks, so that a path with blanks
// need not be quoted (morv My Files/a.htm opens "My Files/a.htm").
std::string JoinArguments(const std::vector<std::string>& arguments);

// The document path named by the argument text: a surrounding pair of double quotes dropped,
// blanks trimmed, made absolute against currentFolder; "" when the text is empty or names
// nothing that exists.
std::string ResolveCommandLinePath(std::string_view text, const std::string& currentFolder);

// Is the owner-write permission bit of the file clear? (Then the document is read-only even for
// a user who could write it anyway, such as root.)
bool IsReadOnlyFile(const std::string& path);

}  // namespace morv
