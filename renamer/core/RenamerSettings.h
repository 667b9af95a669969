#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "helpers/core/IniFile.h"

// The renamer's settings file "trelo.ini", section "General": the window position (twips), the
// last template, the last copy destination, "Always on Top", and the site whose links a batch
// keeps. Nothing else is kept.
namespace morv::renamer {

// The settings file class of the renamer: the INI class with one more method.
class cRegINI : public cINI {
  public:
    // drv without its trailing separators, one separator, subdir without its leading ones.
    static std::string MakePath(std::string_view drv, std::string_view subdir);
};

inline constexpr const char* kSettingsFile = "trelo.ini";
inline constexpr const char* kSettingsAppFolder = "trellin";
inline constexpr const char* kSettingsSection = "General";
inline constexpr const char* kKeyLeft = "Left";
inline constexpr const char* kKeyTop = "Top";
inline constexpr const char* kKeyTemplate = "Template";
inline constexpr const char* kKeySaveIn = "SaveIn";
inline constexpr const char* kKeyOnTop = "OnTop";
inline constexpr const char* kKeyUpdateLinks = "UpdateLinks";
inline constexpr const char* kKeySiteFolder = "SiteFolder";
inline constexpr const char* kKeySiteAddresses = "SiteAddresses";
inline constexpr const char* kDefaultTemplate = "File [###] (*)";

// trelo.ini beside the program when its folder is writable, else in $XDG_CONFIG_HOME/trellin/.
std::string SettingsFilePath(const std::string& programFolder);

// "Update links in site folder:": whether it is ticked, the folder, and the site's own addresses
// (separated by blanks).
struct SiteLinkSettings {
    bool on = false;
    std::string folder;
    std::string addresses;
};

// What LoadSettings found; an empty optional is a value that was not a number, which leaves the
// window as it was.
struct RenamerSettings {
    std::optional<long> left, top;  // twips
    std::string nameTemplate = kDefaultTemplate;
    std::string saveIn;
    std::optional<bool> onTop;
    SiteLinkSettings links;
};

// The centred position of a window on a screen: screen / 2 - window / 2, rounded to the nearest
// whole twip, ties to even.
long CentredPosition(double screen, double window);

// Reads every key, the missing ones with their defaults (the centred position for Left and Top,
// the default template, an empty destination, "Always on Top" checked).
RenamerSettings LoadRenamerSettings(const std::string& file, long centredLeft, long centredTop);

// Writes "OnTop", "Left", "Top", "Template" and "SaveIn" in this order, then "UpdateLinks",
// "SiteFolder" and "SiteAddresses"; failures are silent.
void SaveRenamerSettings(const std::string& file, long left, long top,
                         std::string_view nameTemplate, std::string_view saveIn, bool onTop,
                         const SiteLinkSettings& links = {});

}  // namespace morv::renamer
