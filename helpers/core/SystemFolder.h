#pragma once

#include <string>

#include "helpers/core/Result.h"

// Temporary files, system error texts and where a program keeps its settings.
namespace morv {

// The temporary folder: $TMPDIR when set and not empty, else /tmp; always ends with '/'.
std::string GetTempFolder();

// Creates a new empty file "MRVxxxxxx" in the temporary folder, readable and writable by the
// owner only, and returns its full path. The caller deletes it. Fails with "Unable to create
// temporary file" from "mSystemFolder::GetTempFile" and the errno as its number.
Result<std::string> GetTempFile();

// The C library's text for an errno value; "Unknown error." when it has none.
std::string GetAPIErrorText(int code);

// Deletes a file when the object goes out of scope (after success, errors and stops alike).
class TempFileGuard {
  public:
    explicit TempFileGuard(std::string path = {}) : path_(std::move(path)) {}
    ~TempFileGuard();
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    const std::string& path() const { return path_; }
    void reset(std::string path);

  private:
    std::string path_;
};

// The folder that holds a program's settings file: the program's own folder when it is
// writable and is not the bin folder of an installed copy (see IsInstalledProgramFolder), else
// $XDG_CONFIG_HOME/<appFolder> (default ~/.config/<appFolder>). The second folder is created when
// it is missing. Never fails: at worst it names a folder that cannot be written, and writes to it
// then fail silently.
std::string ChooseSettingsFolder(const std::string& programFolder, const std::string& appFolder);

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// The folder of the data files shipped with both programs (the help set, the licence text) in
// an installed copy: <prefix>/share/morvane for programs in <prefix>/bin.
std::string GetInstalledDataFolder(const std::string& programFolder);

// True when the programs in this folder are an installed copy, told by the installed data folder
// beside it. Such a folder (/usr/bin, ~/.local/bin) is never a place for settings, even when it
// can be written: a file left there would outlive an uninstall.
bool IsInstalledProgramFolder(const std::string& programFolder);

}  // namespace morv
