#include "editor/core/CommandLine.h"

#include <sys/stat.h>

#include <filesystem>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        text += argument;
    }
    return text;
}

std::string ResolveCommandLinePath(std::string_view text, const std::string& currentFolder) {
    if (text.empty()) return {};
    if (text.front() == '"') text.remove_prefix(1);
    if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    std::string path(TrimBlanks(text));
    if (path.empty()) return {};
    if (path.front() != kPathSeparator) path = JoinPath(currentFolder, path);
    // The absolute form: "." and ".." resolved as written, symbolic links kept (the caption
    // shows the name the user gave).
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    if (normal.size() > 1 && normal.back() == kPathSeparator) normal.pop_back();
    struct stat st {};
    if (stat(normal.c_str(), &st) != 0) return {};
    return normal;
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

}  // namespace morv
