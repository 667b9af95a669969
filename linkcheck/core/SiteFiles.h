#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "helpers/core/Result.h"

namespace morv {

// What the disk says about a link target.
enum class TargetState {
    Found,    // the file is there, or the folder has an index document
    Case,     // there only when letter case is ignored (a server that minds case says 404)
    Missing,  // not there in any case
};

// Transparent hashing, so that a map keyed by std::string is searched with a string_view.
struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// The files of a site folder as links see them. Each target (a path below the folder, as
// ResolveReference gives it) is looked up on disk once and then remembered, however many pages
// name it; memory grows with the number of different targets, not with the pages.
class SiteFiles {
  public:
    struct Entry {
        TargetState state = TargetState::Missing;
        std::string file;     // Found or Case: the file that answers as it is named on disk,
                              // when that differs from the target (other case, index document)
        bool linked = false;  // free for the caller (the check marks targets named by a page)
    };

    // indexNames: the documents that answer for a folder, in order of preference.
    SiteFiles(std::string folder, std::vector<std::string> indexNames);
    ~SiteFiles();
    SiteFiles(const SiteFiles&) = delete;
    SiteFiles& operator=(const SiteFiles&) = delete;

    // Opens the folder; fails when it cannot be opened. Look needs it.
    Status Open();

    // A target ending with "/", or "" (the site root), names a folder, which an index document
    // must answer for; so must a target without "/" that is a folder on disk. The entry stays
    // valid as long as this object.
    Entry& Look(std::string_view target);

    // The file an entry stands for: its own file, or the target itself.
    static std::string_view FileOf(std::string_view target, const Entry& entry) {
        return entry.file.empty() ? target : std::string_view(entry.file);
    }

    size_t TargetCount() const { return entries_.size(); }

  private:
    using Listing = std::unordered_map<std::string, std::vector<std::string>>;  // lower -> names

    Entry Lookup(std::string_view target);
    Entry IndexOf(const std::string& folder, TargetState state);
    bool FindIgnoringCase(std::string_view path, std::string& actual);
    const Listing& ListingOf(const std::string& folder);
    bool Stat(const std::string& path, bool& isFolder) const;

    std::string folder_;
    std::vector<std::string> indexNames_;
    int fd_ = -1;
    std::unordered_map<std::string, Entry, StringHash, std::equal_to<>> entries_;
    std::unordered_map<std::string, Listing> listings_;  // folders read for case lookups
};

}  // namespace morv
