// Build step: writes the Qt Help project (.qhp) of a folder of help pages, from which
// qhelpgenerator builds the help collection that the programs ship.
//
//   morv_help_project FOLDER CONTENTS_PAGE OUTPUT.qhp
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "helpers/core/FileIo.h"
#include "services/core/HelpProject.h"

int main(int argc, char** argv) {
    using namespace morv;
    namespace fs = std::filesystem;
    if (argc != 4) {
        std::cerr << "Usage: morv_help_project FOLDER CONTENTS_PAGE OUTPUT.qhp\n";
        return 2;
    }
    std::vector<HelpPage> pages;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1], error)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".htm" && extension != ".html") continue;
        Result<std::string> html =
            ReadFile(entry.path().string(), ReadOptions{16 << 20, false, {}});
        if (!html) {
            std::cerr << "morv_help_project: " << html.error().description << "\n";
            return 1;
        }
        pages.push_back({entry.path().filename().string(), std::move(html.value())});
    }
    if (error) {
        std::cerr << "morv_help_project: " << argv[1] << ": " << error.message() << "\n";
        return 1;
    }
    std::sort(pages.begin(), pages.end(),
              [](const HelpPage& a, const HelpPage& b) { return a.fileName < b.fileName; });
    const Result<std::string> project = MakeHelpProject(pages, argv[2]);
    if (!project) {
        std::cerr << "morv_help_project: " << project.error().description << "\n";
        return 1;
    }
    const Status written = WriteWholeFile(argv[3], project.value());
    if (!written) {
        std::cerr << "morv_help_project: " << written.error().description << "\n";
        return 1;
    }
    return 0;
}
