#pragma once

#include <string>
#include <string_view>

// Pure path and text functions. Paths use the platform separator '/'. Positions are 1-based
// with 0 for "not found" where a function returns one.
namespace morv {

inline constexpr char kPathSeparator = '/';

// Drops one trailing separator; returns the text after the last separator of what remains (empty
// when that separator is its last character), or the path exactly as passed when it holds none.
std::string GetFileName(std::string_view path);

// Drops one trailing separator; returns the text before the last separator of what remains,
// followed by a separator when withSeparator is set, or "" when it holds none.
std::string GetFolderName(std::string_view path, bool withSeparator);

// folder + "/" + name, without doubling a separator the folder already ends with.
std::string JoinPath(std::string_view folder, std::string_view name);

// The text before the first NUL; the text with blanks trimmed when it holds no NUL.
std::string StripNull(std::string_view text);

// The filter and one NUL, with every "|" a NUL: the NUL-separated form that ends in two NULs
// once the string's own terminator is counted.
std::string MakeDialogFilter(std::string_view filter);

// The three characters after the first "." of a dialog filter ("txt" for the text filter).
std::string GetDefaultExtension(std::string_view filter);

// The "|"-separated filter as Qt name filters: "Text Documents (*.txt);;All Files (*)".
// Several patterns of one entry (";"-separated) become blank-separated; "*.*" becomes "*", which
// is what it means to the user (every file, also one without a dot).
std::string ToQtNameFilters(std::string_view filter);

}  // namespace morv
