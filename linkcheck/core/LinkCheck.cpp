#include "linkcheck/core/LinkCheck.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "extract/core/FindFiles.h"
#include "extract/core/ReadAhead.h"
#include "extract/core/Scanners.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"
#include "linkcheck/core/References.h"
#include "linkcheck/core/SiteFiles.h"

namespace morv {

namespace {

constexpr const char* kImageExtensions[] = {".gif",  ".jpg", ".jpeg", ".png", ".svg",
                                            ".webp", ".bmp", ".ico",  ".avif"};

// Passes on only the stop request and the current item: a walk inside a step of its own must
// not move the bar of that step.
class StopOnly : public ProgressObserver {
  public:
    explicit StopOnly(ProgressObserver& inner) : inner_(inner) {}
    void SetStatus(std::string_view text) override { inner_.SetStatus(text); }
    bool ShouldStop() override { return inner_.ShouldStop(); }

  private:
    ProgressObserver& inner_;
};

// Whether the "href" at marker belongs to a <base> element.
bool IsBaseHref(std::string_view text, size_t marker) {
    const size_t open = text.rfind('<', marker);
    if (open == std::string_view::npos || text.find('>', open) < marker) return false;
    const std::string_view name = text.substr(open + 1, 5);
    return name.size() == 5 && StartsWithIgnoreCase(name, "base") &&
           (name[4] == ' ' || name[4] == '\t' || name[4] == '\r' || name[4] == '\n');
}

// The references of one page, kept only while the page is checked: their values one after
// another in one buffer, so that a page costs no allocation per reference.
struct PageReferences {
    std::string values;
    std::vector<std::pair<size_t, size_t>> spans;
    std::string baseHref;
    bool haveBase = false;

    void Clear() {
        values.clear();
        spans.clear();
        baseHref.clear();
        haveBase = false;
    }
    void Add(std::string_view value) {
        spans.emplace_back(values.size(), value.size());
        values.append(value);
    }
    std::string_view operator[](size_t i) const {
        return std::string_view(values).substr(spans[i].first, spans[i].second);
    }
};

void CollectReferences(std::string_view text, PageReferences& refs, ProgressObserver& progress,
                       const StartMarkers& starts) {
    ScanLinks(
        text,
        [&](const FoundReference& found) {
            if (!IsBaseHref(text, found.marker)) return refs.Add(found.value);
            // The first <base href> of a document is its base; a later one counts for nothing.
            if (!refs.haveBase) refs.baseHref.assign(found.value);
            refs.haveBase = true;
        },
        progress, &starts);
    ScanImages(
        text, [&](const FoundReference& found) { refs.Add(found.value); }, progress, &starts);
}

// The check of one site: the state that lives from the first page to the orphans.
class SiteCheck {
  public:
    SiteCheck(const LinkCheckOptions& options, LinkCheckSink& sink, ProgressObserver& progress)
        : options_(options),
          sink_(sink),
          progress_(progress),
          site_(MakeSiteAddresses(options.addresses)),
          files_(options.folder, options.indexNames),
          prefix_(JoinPath(options.folder, "")) {}

    Result<LinkCheckCounts> Run() {
        Status opened = files_.Open();
        if (!opened) return opened.error();
        std::vector<std::string> pages;
        progress_.SetAction("Scanning...");
        progress_.SetMax(CountSubfolders(options_.folder, progress_) + 1);
        Status walked = FindFiles(
            options_.folder, [&pages](const std::string& path) { pages.push_back(path); },
            progress_);
        if (!walked) return walked.error();

        progress_.SetAction("Checking links...");
        progress_.SetValue(0);
        progress_.SetMax(long(pages.size()) + 2);
        Status checked = CheckPages(pages);
        if (!checked) return checked.error();
        pages = {};
        if (options_.orphans) {
            progress_.SetAction("Looking for orphans...");
            progress_.SetStatus("");
            Status found = ListOrphans();
            if (!found) return found.error();
        }
        progress_.SetValue(long(counts_.pages) + 2);
        sink_.Summary(counts_, options_.orphans);
        return counts_;
    }

  private:
    Status CheckPages(const std::vector<std::string>& pages) {
        FileReadAhead reader(pages);
        StartMarkers starts;
        PageReferences refs;
        PageProblems problems;
        for (const std::string& page : pages) {
            if (progress_.ShouldStop()) return UserInterrupt();
            progress_.SetValue(counts_.pages + 1);
            progress_.SetStatus(page);
            const FileReadAhead::File& file = reader.Next();
            if (!file.exists) continue;  // gone since the scan
            if (!file.read) return file.read;
            ++counts_.pages;
            refs.Clear();
            FindStartMarkers(file.text, starts);
            CollectReferences(file.text, refs, progress_, starts);
            if (progress_.ShouldStop()) return UserInterrupt();

            const std::string_view self = std::string_view(page).substr(prefix_.size());
            const PageBase base = MakePageBase(self, refs.baseHref, site_);
            ForgetUnlessSameFolder(base);
            for (std::vector<std::string>& links : problems.links)
                links.clear();
            for (size_t i = 0; i < refs.spans.size(); ++i) {
                const std::string_view link = refs[i];
                const Known& known = Resolve(base, refs.haveBase, link);
                if (known.kind == Resolution::Elsewhere) {
                    ++counts_.notChecked;
                    continue;
                }
                ++counts_.links;
                if (known.kind == Resolution::Outside) {
                    Note(problems, LinkProblem::Outside, link);
                    continue;
                }
                if (known.entry == nullptr) continue;  // an anchor of the page itself
                SiteFiles::Entry& entry = *known.entry;
                if (entry.state == TargetState::Missing) {
                    Note(problems, LinkProblem::Missing, link);
                    continue;
                }
                if (entry.state == TargetState::Case) Note(problems, LinkProblem::Case, link);
                // A page's links to itself (its own anchors) do not keep it from being an orphan.
                const std::string_view linked = SiteFiles::FileOf(known.target, entry);
                if (!entry.linked && linked != self) {
                    entry.linked = true;
                    if (options_.orphans) linked_.emplace(linked);
                }
            }
            if (problems.Any()) sink_.Page(page, problems);
        }
        return Ok();
    }

    // What a reference leads to, and the entry of its target.
    struct Known {
        Resolution kind = Resolution::Elsewhere;
        SiteFiles::Entry* entry = nullptr;  // for Site
        std::string target;
    };

    // Pages of one folder share most of their references (menus, navigation): each is resolved
    // once for all pages with the same base folder, remembered without its fragment, which
    // does not change the target. A reference of only a fragment or a query leads to the page
    // itself (or to its <base href>), another for every page, and is not remembered; without a
    // <base href> it needs no look at all: entry stays null.
    const Known& Resolve(const PageBase& base, bool baseHref, std::string_view link) {
        size_t first = 0;
        while (first < link.size() && static_cast<unsigned char>(link[first]) <= ' ')
            ++first;
        const bool toThePage = first == link.size() || link[first] == '#' || link[first] == '?';
        if (toThePage && !baseHref) {
            pageOwn_.kind = Resolution::Site;
            pageOwn_.entry = nullptr;
            return pageOwn_;
        }
        const std::string_view key = link.substr(0, link.find('#'));
        if (!toThePage) {
            auto found = known_.find(key);
            if (found != known_.end()) return found->second;
        }
        Known& known = toThePage ? pageOwn_ : known_[std::string(key)];
        known.kind = ResolveReference(base, link, site_, known.target);
        known.entry = known.kind == Resolution::Site ? &files_.Look(known.target) : nullptr;
        return known;
    }

    void ForgetUnlessSameFolder(const PageBase& base) {
        const std::string_view folder =
            std::string_view(base.path).substr(0, base.path.rfind('/') + 1);
        if (base.kind == knownKind_ && folder == knownFolder_) return;
        known_.clear();
        knownKind_ = base.kind;
        knownFolder_.assign(folder);
    }

    void Note(PageProblems& problems, LinkProblem problem, std::string_view link) {
        std::vector<std::string>& links = problems.links[int(problem)];
        if (std::find(links.begin(), links.end(), link) != links.end()) return;
        links.emplace_back(link);
        ++counts_.problems[int(problem)];
    }

    Status ListOrphans() {
        // The document the site's own address shows is linked from outside by definition.
        const SiteFiles::Entry& root = files_.Look("");
        const std::string home = root.state == TargetState::Missing ? std::string() : root.file;
        std::vector<std::string> orphans;
        StopOnly stop(progress_);
        Status walked = FindFilesMatching(
            options_.folder, IsOrphanCandidate,
            [&](const std::string& path) {
                const std::string_view file = std::string_view(path).substr(prefix_.size());
                if (file != home && !linked_.contains(file)) orphans.push_back(path);
            },
            stop);
        if (!walked) return walked;
        std::sort(orphans.begin(), orphans.end());
        counts_.orphans = long(orphans.size());
        if (!orphans.empty()) sink_.Orphans(options_.folder, orphans);
        return Ok();
    }

    const LinkCheckOptions& options_;
    LinkCheckSink& sink_;
    ProgressObserver& progress_;
    const std::vector<SiteAddress> site_;
    SiteFiles files_;
    const std::string prefix_;  // the folder as page paths begin with it
    std::unordered_set<std::string, StringHash, std::equal_to<>> linked_;
    LinkCheckCounts counts_;
    // The references resolved for the pages of the current base folder.
    std::unordered_map<std::string, Known, StringHash, std::equal_to<>> known_;
    Resolution knownKind_ = Resolution::Site;
    std::string knownFolder_;
    Known pageOwn_;
};

}  // namespace

std::string_view ProblemHeader(LinkProblem problem) {
    switch (problem) {
        case LinkProblem::Missing:
            return "[MISSING]";
        case LinkProblem::Case:
            return "[CASE]";
        case LinkProblem::Outside:
            return "[OUTSIDE]";
    }
    return {};
}

std::string_view ProblemName(LinkProblem problem) {
    switch (problem) {
        case LinkProblem::Missing:
            return "missing";
        case LinkProblem::Case:
            return "case";
        case LinkProblem::Outside:
            return "outside";
    }
    return {};
}

std::vector<std::string> DefaultIndexNames() {
    return {"index.html", "index.htm", "default.htm", "index.php"};
}

std::vector<std::string> SplitNames(std::string_view text) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = text.find_first_not_of(" \t,", i);
        if (start == std::string_view::npos) break;
        size_t end = text.find_first_of(" \t,", start);
        if (end == std::string_view::npos) end = text.size();
        names.emplace_back(text.substr(start, end - start));
        i = end;
    }
    return names;
}

bool IsOrphanCandidate(std::string_view name) {
    if (IsHtmlDocumentName(name)) return true;
    for (const char* extension : kImageExtensions)
        if (EndsWithIgnoreCase(name, extension)) return true;
    return false;
}

bool PageProblems::Any() const {
    for (const std::vector<std::string>& kind : links)
        if (!kind.empty()) return true;
    return false;
}

void LinkReportWriter::Block(std::string_view header, std::string_view section,
                             const std::vector<std::string>& lines) {
    if (!header.empty()) {
        out_.Write("[FILE = \"");
        out_.Write(header);
        out_.Line("\"]");
    }
    out_.Write("\r\n");
    out_.Line(section);
    for (const std::string& line : lines)
        out_.Line(line);
}

void LinkReportWriter::Page(const std::string& page, const PageProblems& problems) {
    std::string_view header = page;
    for (int k = 0; k < kLinkProblemCount; ++k) {
        if (problems.links[k].empty()) continue;
        Block(header, ProblemHeader(LinkProblem(k)), problems.links[k]);
        header = {};
    }
    out_.Line("\r\n");
}

void LinkReportWriter::Orphans(const std::string& folder, const std::vector<std::string>& files) {
    std::string folderName = folder;
    while (folderName.size() > 1 && folderName.back() == '/')
        folderName.pop_back();
    Block(folderName + " (orphans)", kOrphansHeader, files);
    out_.Line("\r\n");
}

void LinkReportWriter::Summary(const LinkCheckCounts& counts, bool orphansAsked) {
    out_.Line(SummaryLine(counts, orphansAsked));
}

void LinkTsvWriter::Row(std::string_view page, std::string_view link, std::string_view kind) {
    out_.Write(EscapeTabField(page));
    out_.Write("\t");
    out_.Write(EscapeTabField(link));
    out_.Write("\t");
    out_.Write(kind);
    out_.Write("\n");
}

void LinkTsvWriter::Page(const std::string& page, const PageProblems& problems) {
    for (int k = 0; k < kLinkProblemCount; ++k)
        for (const std::string& link : problems.links[k])
            Row(page, link, ProblemName(LinkProblem(k)));
}

void LinkTsvWriter::Orphans(const std::string&, const std::vector<std::string>& files) {
    for (const std::string& file : files)
        Row("", file, "orphan");
}

namespace {

// "1 page", "2 pages".
std::string Count(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string SummaryLine(const LinkCheckCounts& counts, bool orphansAsked) {
    std::string line = "; Checked " + Count(counts.pages, "page", "pages") + ", " +
                       Count(counts.links, "link", "links") + ": ";
    for (int k = 0; k < kLinkProblemCount; ++k) {
        if (k > 0) line += ", ";
        line += std::to_string(counts.problems[k]) + " " + std::string(ProblemName(LinkProblem(k)));
    }
    line += "; " + std::to_string(counts.notChecked) + " not checked (other hosts or schemes)";
    if (orphansAsked) line += "; " + Count(counts.orphans, "orphan", "orphans");
    return line + ".";
}

Result<LinkCheckCounts> CheckLinks(const LinkCheckOptions& options, LinkCheckSink& sink,
                                   ProgressObserver& progress) {
    SiteCheck check(options, sink, progress);
    return check.Run();
}

}  // namespace morv
