#include "helpers/core/PathHelpers.h"

#include <vector>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

std::string_view DropOneTrailingSeparator(std::string_view path) {
    if (!path.empty() && path.back() == kPathSeparator) path.remove_suffix(1);
    return path;
}

}  // namespace

std::string GetFileName(std::string_view path) {
    std::string_view rest = DropOneTrailingSeparator(path);
    size_t slash = rest.rfind(kPathSeparator);
    if (slash == std::string_view::npos) return std::string(path);
    return std::string(rest.substr(slash + 1));
}

std::string GetFolderName(std::string_view path, bool withSeparator) {
    std::string_view rest = DropOneTrailingSeparator(path);
    size_t slash = rest.rfind(kPathSeparator);
    if (slash == std::string_view::npos) return {};
    std::string folder(rest.substr(0, slash));
    if (withSeparator) folder += kPathSeparator;
    return folder;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (joined.empty() || joined.back() != kPathSeparator) joined += kPathSeparator;
    joined += name;
    return joined;
}

std::string StripNull(std::string_view text) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) return std::string(text.substr(0, nul));
    return std::string(TrimBlanks(text));
}

std::string MakeDialogFilter(std::string_view filter) {
    std::string result(filter);
    result += '\0';
    for (char& c : result) {
        if (c == '|') c = '\0';
    }
    return result;
}

std::string GetDefaultExtension(std::string_view filter) {
    size_t dot = filter.find('.');
    if (dot == std::string_view::npos) return {};
    return std::string(filter.substr(dot + 1, 3));
}

std::string ToQtNameFilters(std::string_view filter) {
    std::vector<std::string_view> parts = Split(filter, '|');
    std::string result;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string name(TrimBlanks(parts[i]));
        std::string patterns;
        for (std::string_view pattern : Split(parts[i + 1], ';')) {
            pattern = TrimBlanks(pattern);
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern == "*.*" ? std::string_view("*") : pattern;
        }
        // Qt reads the patterns from a trailing "(...)": replace the one the name shows.
        size_t open = name.rfind('(');
        if (!name.empty() && name.back() == ')' && open != std::string::npos) {
            name = std::string(TrimBlanks(std::string_view(name).substr(0, open)));
        }
        if (!result.empty()) result += ";;";
        result += name + " (" + patterns + ")";
    }
    return result;
}

}  // namespace morv
