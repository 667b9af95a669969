// Fixes the links of a generated report of about 20 MB with 200,000 link and image lines and
// prints the time of the run next to the time of copying the same text once.
#include <chrono>
#include <cstdio>
#include <string>

#include "editor/core/StringBuffer.h"
#include "linkfix/core/FixLinks.h"

using namespace morv;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Blocks as the extraction writes them: a file header, a script section, 60 links and 40
// images, half of them relative.
std::string MakeReport(int blocks, long& linkLines) {
    const std::string script = "<script>\r\n" + std::string(8400, 'x') + "\r\n</script>";
    const char* links[] = {
        "index.htm", "../about/team.htm", "http://www.example.org/a.htm", "  ./docs/manual.htm ",
        "#top",      "..\\img\\logo.gif"};
    std::string text;
    linkLines = 0;
    for (int b = 0; b < blocks; ++b) {
        text += "[FILE = \"/srv/www/site/page" + std::to_string(b) + ".htm\"]\r\n\r\n[SCRIPT]\r\n";
        text += script + "\r\n\r\n[LINK]\r\n";
        for (int i = 0; i < 60; ++i, ++linkLines)
            text += std::string(links[(b + i) % 6]) + "\r\n";
        text += "\r\n[IMAGE]\r\n";
        for (int i = 0; i < 40; ++i, ++linkLines)
            text += "images/pic" + std::to_string(i) + ".gif\r\n";
        text += "\r\n[E-MAIL]\r\nmailto:someone@example.org\r\n\r\n\r\n";
    }
    return text;
}

}  // namespace

int main() {
    long linkLines = 0;
    const std::string report = MakeReport(2000, linkLines);
    const double megabytes = double(report.size()) / 1e6;

    auto copyStart = Clock::now();
    std::string copy = report;
    const double copySeconds = Seconds(copyStart);

    StringBuffer buffer(std::move(copy));
    FixLinksOptions options{"www.example.org", "products/software/games", FixScope::WholeDocument,
                            FixCaret::LastFixedPosition};
    auto runStart = Clock::now();
    const FixLinksResult result = FixLinksInDocument(buffer, options);
    const double runSeconds = Seconds(runStart);

    std::printf("report: %.1f MB, %ld link and image lines, %ld fixed\n", megabytes, linkLines,
                result.linesFixed);
    std::printf("fix links (core): %.3f s, %.0f MB/s\n", runSeconds, megabytes / runSeconds);
    std::printf("copy of the text: %.4f s; run / copy = %.0f\n", copySeconds,
                runSeconds / copySeconds);
    std::printf("result: %s, %.1f MB\n",
                result.outcome == FixOutcome::Finished ? "finished" : "not finished",
                double(buffer.Length()) / 1e6);
    return result.outcome == FixOutcome::Finished ? 0 : 1;
}
