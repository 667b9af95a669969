#include "renamer/core/RenamerSettings.h"

#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/core/TextUtil.h"
#include "renamer/core/NameTemplate.h"

namespace morv::renamer {

std::string cRegINI::MakePath(std::string_view drv, std::string_view subdir) {
    while (!drv.empty() && drv.back() == kPathSeparator)
        drv.remove_suffix(1);
    while (!subdir.empty() && subdir.front() == kPathSeparator)
        subdir.remove_prefix(1);
    std::string path(drv);
    path += kPathSeparator;
    path.append(subdir);
    return path;
}

std::string SettingsFilePath(const std::string& programFolder) {
    return cRegINI::MakePath(ChooseSettingsFolder(programFolder, kSettingsAppFolder),
                             kSettingsFile);
}

namespace {

std::optional<long> ReadNumber(std::string_view text) {
    double number = 0;
    if (!ParseNumber(text, number)) return std::nullopt;
    double rounded = RoundHalfToEven(number);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return long(rounded);
}

}  // namespace

long CentredPosition(double screen, double window) {
    return long(RoundHalfToEven(screen / 2 - window / 2));
}

RenamerSettings LoadRenamerSettings(const std::string& file, long centredLeft, long centredTop) {
    cRegINI ini;
    ini.FileName = file;
    ini.AppName = kSettingsSection;
    RenamerSettings settings;
    settings.left = ReadNumber(ini.GetINI(kKeyLeft, std::to_string(centredLeft)));
    settings.top = ReadNumber(ini.GetINI(kKeyTop, std::to_string(centredTop)));
    settings.nameTemplate = ini.GetINI(kKeyTemplate, kDefaultTemplate);
    settings.saveIn = ini.GetINI(kKeySaveIn, "");
    if (std::optional<long> onTop = ReadNumber(ini.GetINI(kKeyOnTop, "1")))
        settings.onTop = *onTop == 1;
    settings.links.on = ReadNumber(ini.GetINI(kKeyUpdateLinks, "0")) == 1;
    settings.links.folder = ini.GetINI(kKeySiteFolder, "");
    settings.links.addresses = ini.GetINI(kKeySiteAddresses, "");
    return settings;
}

void SaveRenamerSettings(const std::string& file, long left, long top,
                         std::string_view nameTemplate, std::string_view saveIn, bool onTop,
                         const SiteLinkSettings& links) {
    cRegINI ini;
    ini.FileName = file;
    ini.AppName = kSettingsSection;
    ini.SetINI(kKeyOnTop, onTop ? "1" : "0");
    ini.SetINI(kKeyLeft, std::to_string(left));
    ini.SetINI(kKeyTop, std::to_string(top));
    ini.SetINI(kKeyTemplate, nameTemplate);
    ini.SetINI(kKeySaveIn, saveIn);
    ini.SetINI(kKeyUpdateLinks, links.on ? "1" : "0");
    ini.SetINI(kKeySiteFolder, links.folder);
    ini.SetINI(kKeySiteAddresses, links.addresses);
}

}  // namespace morv::renamer
