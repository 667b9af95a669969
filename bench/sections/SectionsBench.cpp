// Times the whole-document commands of the sections and search subsystems on a generated report
// of about 50 MB with 20,000 file blocks, in one run, next to a plain copy of the same text.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/core/StringBuffer.h"
#include "search/core/FindReplace.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

using namespace morv;

namespace {

constexpr int kFiles = 20000;
constexpr int kLinksPerFile = 50;  // each holds "images" once: 1,000,000 matches in all

std::string MakeReport() {
    std::string text;
    text.reserve(size_t(kFiles) * 2700);
    const std::string script =
        "<script type=\"text/javascript\">\r\nfunction menu(id) {\r\n"
        "  var item = document.getElementById(id);\r\n  if (item) item.style.display = "
        "(item.style.display == 'none') ? 'block' : 'none';\r\n}\r\n</script>";
    for (int f = 0; f < kFiles; ++f) {
        const std::string n = std::to_string(f);
        text.append("[FILE = \"/srv/www/site/section").append(std::to_string(f % 97));
        text.append("/page").append(n).append(".htm\"]\r\n\r\n[SCRIPT]\r\n");
        for (int s = 0; s < 5; ++s)
            text.append(script).append("\r\n");
        text.append(
            "\r\n[STYLE]\r\n<style>body { margin: 0; padding: 0 }</style>\r\n\r\n[LINK]\r\n");
        for (int l = 0; l < kLinksPerFile; ++l) {
            text.append("../images/photo").append(std::to_string(l)).append("_").append(n);
            text.append(".jpg\r\n");
        }
        text.append("\r\n[IMAGE]\r\n../gfx/logo.gif\r\n\r\n[E-MAIL]\r\n");
        text.append("webmaster@example.org\r\n\r\n\r\n");
    }
    return text;
}

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
    return 0;
}
