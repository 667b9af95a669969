#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "extract/core/ReportWriter.h"
#include "helpers/core/Progress.h"
#include "helpers/core/Result.h"

// Check Links: every link and image source of the documents of a site folder, checked against
// the disk. The documents are those the folder scan lists, their references those the link and
// image scanners find; each reference is resolved as a browser would (ResolveReference) and its
// target looked up once (SiteFiles).
namespace morv {

// The problems a link can have, in the order of the report's sections.
enum class LinkProblem { Missing = 0, Case = 1, Outside = 2 };
inline constexpr int kLinkProblemCount = 3;

// "[MISSING]", "[CASE]", "[OUTSIDE]".
std::string_view ProblemHeader(LinkProblem problem);
// "missing", "case", "outside".
std::string_view ProblemName(LinkProblem problem);
// The header of the orphans' section.
inline constexpr std::string_view kOrphansHeader = "[ORPHANS]";

// The documents that answer for a folder when none is asked for: index.html index.htm
// default.htm index.php.
std::vector<std::string> DefaultIndexNames();
// Names separated by blanks, tabs or commas.
std::vector<std::string> SplitNames(std::string_view text);

// True for the names of the files an orphan can be: HTML documents and images.
bool IsOrphanCandidate(std::string_view name);

struct LinkCheckOptions {
    std::string folder;                  // the site folder
    std::vector<std::string> addresses;  // the site's own addresses ("http://www.example.org/")
    std::vector<std::string> indexNames = DefaultIndexNames();
    bool orphans = false;  // also list the documents and images no checked page links to
};

struct LinkCheckCounts {
    long pages = 0;                         // documents checked
    long links = 0;                         // references checked (on disk, or found outside)
    long notChecked = 0;                    // references to other hosts and schemes
    long problems[kLinkProblemCount] = {};  // report lines of each problem
    long orphans = 0;
};

// The problems of one page: for each kind the links as written, each once, in page order.
struct PageProblems {
    std::vector<std::string> links[kLinkProblemCount];
    bool Any() const;
};

// Receives the results as the check goes: the pages with problems in the order of the folder
// scan, then the orphans (only when asked for and found, sorted), then the counts.
class LinkCheckSink {
  public:
    virtual ~LinkCheckSink() = default;
    virtual void Page(const std::string& page, const PageProblems& problems) = 0;
    virtual void Orphans(const std::string& folder, const std::vector<std::string>& files) = 0;
    virtual void Summary(const LinkCheckCounts& counts, bool orphansAsked) = 0;
};

// The report: a [FILE = "page"] block per page with problems, its sections [MISSING], [CASE],
// [OUTSIDE] laid out as the extraction lays out its sections; then a block for the orphans,
// headed [FILE = "<folder> (orphans)"] so that the sections tree shows it as a node of its own,
// with one [ORPHANS] section; then the summary line (SummaryLine).
class LinkReportWriter : public LinkCheckSink {
  public:
    explicit LinkReportWriter(ReportWriter& out) : out_(out) {}
    void Page(const std::string& page, const PageProblems& problems) override;
    void Orphans(const std::string& folder, const std::vector<std::string>& files) override;
    void Summary(const LinkCheckCounts& counts, bool orphansAsked) override;

  private:
    void Block(std::string_view header, std::string_view section,
               const std::vector<std::string>& lines);
    ReportWriter& out_;
};

// Tab-separated lines for scripts: page, link, kind (missing, case, outside, orphan; an
// orphan's page is empty). A tab, CR, LF or backslash inside a field is written as \t, \r, \n
// or \\. No summary.
class LinkTsvWriter : public LinkCheckSink {
  public:
    explicit LinkTsvWriter(ReportWriter& out) : out_(out) {}
    void Page(const std::string& page, const PageProblems& problems) override;
    void Orphans(const std::string& folder, const std::vector<std::string>& files) override;
    void Summary(const LinkCheckCounts&, bool) override {}

  private:
    void Row(std::string_view page, std::string_view link, std::string_view kind);
    ReportWriter& out_;
};

// "; Checked 12 pages, 340 links: 3 missing, 1 case, 1 outside; 20 not checked (other hosts or
// schemes)" and, when orphans were asked for, "; 2 orphans", then ".".
std::string SummaryLine(const LinkCheckCounts& counts, bool orphansAsked);

// The whole check. Progress: "Scanning..." while the documents are collected, then
// "Checking links..." with one step per page (the page as status), then "Looking for
// orphans...". ShouldStop is polled once per page and per found reference and ends the run with
// a user interrupt. A folder that cannot be opened, or a page that exists but cannot be read,
// ends it with that error.
Result<LinkCheckCounts> CheckLinks(const LinkCheckOptions& options, LinkCheckSink& sink,
                                   ProgressObserver& progress);

}  // namespace morv
