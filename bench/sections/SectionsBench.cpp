// Times the whole-document commands of the sections and search subsystems on a generated report
// of about 50 MB with 20,000 file blocks, in one run, next to a plain copy of the same text.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/sections/ReportGenerator.h"
#include "editor/core/StringBuffer.h"
#include "search/core/FindReplace.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

using namespace morv;
using morv::bench::kFiles;
using morv::bench::MakeReport;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    const std::string report = MakeReport();
    const double mb = double(report.size()) / 1e6;
    std::printf("report: %.1f MB, %d file blocks\n", mb, kFiles);

    auto start = std::chrono::steady_clock::now();
    std::string copy(report.size(), '\0');
    std::memcpy(copy.data(), report.data(), report.size());
    const double copySeconds = Seconds(start);

    auto row = [&](const char* name, double seconds, const std::string& detail) {
        std::printf("%-26s %8.3f s  %8.0f MB/s  %6.1f x copy  %s\n", name, seconds, mb / seconds,
                    seconds / copySeconds, detail.c_str());
    };
    row("copy (baseline)", copySeconds, "");

    StringBuffer buffer(report);
    start = std::chrono::steady_clock::now();
    const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
    row("build sections tree", Seconds(start),
        std::to_string(tree.root.children.size()) + " file nodes");

    start = std::chrono::steady_clock::now();
    const std::string noSections = RemoveSectionAttributes(report);
    row("remove section attributes", Seconds(start),
        std::to_string(report.size() - noSections.size()) + " bytes removed");

    start = std::chrono::steady_clock::now();
    const std::string noEmpty = RemoveEmptyLines(report);
    row("remove empty lines", Seconds(start),
        std::to_string(report.size() - noEmpty.size()) + " bytes removed");

    start = std::chrono::steady_clock::now();
    const ReplaceAllResult replaced = ReplaceAllMatches(report, "images", "pictures", 0);
    row("replace all", Seconds(start), std::to_string(replaced.count) + " replacements");

    start = std::chrono::steady_clock::now();
    const ReplaceAllResult whole =
        ReplaceAllMatches(report, "IMAGES", "pictures", kFindWholeWord | kFindMatchCase);
    row("replace all, no match", Seconds(start),
        std::to_string(whole.count) + " replacements (whole word, match case)");

    // A case-insensitive find whose first letter occurs only in lower case: every candidate
    // is checked once, and the upper case is not looked for again at each of them.
    start = std::chrono::steady_clock::now();
    const long found = buffer.Find("www.nowhere", 0, kEndOfText, kFindNoSelect);
    row("find, no match", Seconds(start), found < 0 ? "not found" : "found");
    start = std::chrono::steady_clock::now();
    const long word = buffer.Find("web", 0, kEndOfText, kFindNoSelect | kFindWholeWord);
    row("find whole word, no match", Seconds(start),
        word < 0 ? "not found (20,000 \"webmaster\" passed over)" : "found");
    return 0;
}
