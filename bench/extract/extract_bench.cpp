// Measures, from one run on a corpus of HTML documentation:
//  - morv-cli extract with all five kinds over every document, next to one process that only
//    reads every file of the same list once (a process of its own, like morv-cli; warm cache;
//    best of several rounds);
//  - morv-cli scan of each corpus folder, next to find DIR -type f -iname '*.htm*';
//  - morv-cli check-links --orphans of each corpus folder (each a site), next to
//    morv-cli extract --scan of the same folder: rounds interleaved, medians, and the largest
//    resident set of each, so that memory can be set against the number of pages;
//  - the link update plan of a batch renaming 1,000 pages, and the whole batch with
//    trelo-cli rename --update-links (when trelo-cli is beside morv-cli), each against
//    morv-cli extract --scan of the same folder; beside the batch, the safe rewrite alone of
//    the pages it changes (what its page writes cannot take less than on that disk).
// Usage: extract_bench MORV_CLI [--links | --batch TRELO_CLI] FOLDER...
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "extract/core/FindFiles.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"
#include "helpers/core/FileIo.h"
#include "linkcheck/core/LinkUpdate.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

// CPU seconds (user + system) used so far by this process or by its finished children.
double CpuSeconds(int who) {
    struct rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr const char* kTimeProgram = "/usr/bin/time";

// One run of a program: the seconds it took (-1 when it failed) and its largest resident set
// (0 when unknown).
struct ProgramRun {
    double seconds = -1;
    double cpuSeconds = 0;  // user + system
    long maxRssKb = 0;
};

// Runs a program with its standard output (quiet: and its errors) sent to /dev/null. It succeeds
// when it exits with a status of at most okStatus (check-links says 1 when a link is missing). With
// memory set, it runs under GNU time when that is installed, which tells the program's own largest
// resident set: a child started from this process would count this process's pages as its own.
ProgramRun RunProgram(std::vector<std::string> argv, int okStatus = 0, bool memory = false,
                      bool quiet = false) {
    char memoryPattern[] = "/tmp/morv-bench-rss-XXXXXX";
    if (memory && access(kTimeProgram, X_OK) == 0) {
        close(mkstemp(memoryPattern));
        argv.insert(argv.begin(), {kTimeProgram, "-q", "-f", "%M", "-o", memoryPattern});
    } else {
        memoryPattern[0] = '\0';
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto start = Clock::now();
    pid_t pid = 0;
    ProgramRun run;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) return run;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    const double seconds = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    if (WIFEXITED(status) && WEXITSTATUS(status) <= okStatus) run.seconds = seconds;
    if (memoryPattern[0] != '\0') {
        if (FILE* file = std::fopen(memoryPattern, "r")) {
            if (std::fscanf(file, "%ld", &run.maxRssKb) != 1) run.maxRssKb = 0;
            std::fclose(file);
        }
        unlink(memoryPattern);
    }
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

double TimeProgram(const std::vector<std::string>& argv) {
    return RunProgram(argv).seconds;
}

// Writes a generated site of pages documents below folder: 100 pages to a folder, each with a
// menu of 20 links shared by all, a link to the next page, an image and a broken link.
void WriteSite(const std::string& folder, int pages) {
    namespace fs = std::filesystem;
    fs::create_directories(folder + "/img");
    std::ofstream(folder + "/img/logo.gif") << "GIF89a";
    for (int i = 0; i < pages; ++i) {
        const std::string dir = folder + "/p" + std::to_string(i / 100);
        if (i % 100 == 0) fs::create_directories(dir);
        std::ofstream page(dir + "/" + std::to_string(i) + ".htm");
        page << "<html><body><img src=\"../img/logo.gif\">\n";
        for (int m = 0; m < 20; ++m)
            page << "<a href=\"../p0/" << m << ".htm#top\">menu</a>\n";
        page << "<a href=\"" << (i + 1) << ".htm\">next</a><a href=\"gone.htm\">x</a>\n";
        page << "<p>" << std::string(2000, 'x') << "</p></body></html>\n";
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The largest resident set of a program run on generated sites of two sizes (measure gets the
// site's folder, writes what else it needs, and returns the run's resident set in KB), and what
// each added page costs.
void MemoryAgainstPages(const char* program,
                        const std::function<long(const std::string& site)>& measure) {
    if (access(kTimeProgram, X_OK) != 0) {
        std::printf("memory: %s is not installed (Debian package time)\n", kTimeProgram);
        return;
    }
    char sitePattern[] = "/tmp/morv-bench-site-XXXXXX";
    const std::string site = mkdtemp(sitePattern);
    long rss[2] = {};
    const int sizes[2] = {2000, 16000};
    for (int i = 0; i < 2; ++i) {
        WriteSite(site, sizes[i]);
        rss[i] = measure(site);
        std::printf("generated site of %5d pages: %s resident set %ld MB\n", sizes[i], program,
                    rss[i] / 1024);
    }
    std::printf("%-44s %8.0f bytes\n", "resident set per added page",
                double(rss[1] - rss[0]) * 1024 / (sizes[1] - sizes[0]));
    std::error_code ignored;
    std::filesystem::remove_all(site, ignored);
}

template <typename F>
double Best(F run) {
    double best = 1e30;
    for (int i = 0; i < kRounds; ++i) {
        double seconds = run();
        if (seconds < 0) return -1;
        if (seconds < best) best = seconds;
    }
    return best;
}

// Reads every file of the list once, into one reused buffer; the bytes read.
size_t ReadAll(const std::vector<std::string>& files) {
    morv::FileBuffer buffer;
    size_t bytes = 0;
    for (const std::string& file : files) {
        if (!morv::ReadFile(file, buffer, {morv::kMaxDocumentSize, false, {}})) continue;
        bytes += buffer.view().size();
    }
    return bytes;
}

// The batch the renamer makes of every stride-th document of a folder (at most limit of them)
// with its default template, "File [0007] (name).html": renamed in place, or moved into a folder
// "renamed" at the site's root. Written as from<TAB>to lines; returns how many.
size_t WriteMoves(const std::string& folder, size_t stride, size_t limit, bool intoFolder,
                  const std::string& file) {
    std::vector<std::string> pages;
    morv::FindFiles(
        folder, [&pages](const std::string& path) { pages.push_back(path); }, morv::NoProgress());
    std::ofstream out(file);
    size_t count = 0;
    for (size_t i = 0; i < pages.size() && count < limit; i += stride, ++count) {
        const std::string& page = pages[i];
        const size_t slash = page.rfind('/');
        const std::string name = page.substr(slash + 1);
        const size_t dot = name.rfind('.');
        std::string number = std::to_string(count);
        number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
        const std::string newName =
            "File [" + number + "] (" + name.substr(0, dot) + ")" + name.substr(dot);
        out << page << '\t'
            << (intoFolder ? folder + "/renamed/" : page.substr(0, slash + 1)) + newName << '\n';
    }
    return count;
}

// The link update request of a folder and a moves file (from<TAB>to lines).
morv::LinkUpdateRequest RequestOf(const std::string& folder, const std::string& movesFile) {
    morv::LinkUpdateRequest request;
    request.folder = folder;
    std::ifstream in(movesFile);
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        request.moves.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return request;
}

// The link update plan of the batch in a moves file, as a process of its own:
// extract_bench --plan-links FOLDER MOVES. Prints the plan's counts; with lines, the whole plan
// (extract_bench --plan-lines FOLDER MOVES), so that two builds' plans can be compared.
int PlanLinks(const std::string& folder, const std::string& movesFile, bool lines = false) {
    const morv::LinkUpdateRequest request = RequestOf(folder, movesFile);
    morv::Result<morv::LinkUpdatePlan> plan = morv::PlanLinkUpdate(request);
    if (!plan) return 1;
    const morv::LinkUpdateCounts& counts = plan.value().counts;
    std::printf("%zu moves: %ld pages read, %ld references in %ld pages, %ld listed\n",
                request.moves.size(), counts.pagesRead, counts.references, counts.pagesChanged,
                counts.unsafe);
    if (lines) {
        for (const morv::PageEdits& page : plan.value().pages)
            std::cout << page.path << '\t' << page.newPath << '\t' << page.move << '\t'
                      << page.identity.size << '\t' << page.identity.hash << '\t'
                      << page.identity.modified << '\t' << page.after.size << '\t'
                      << page.after.hash << '\n';
        morv::WriteLinkEditLines(plan.value(), std::cout);
        morv::WriteUnsafeLinkLines(plan.value(), std::cout);
    }
    return 0;
}

// The plan for 1,000 renamed pages against the extraction of the same folders, and its memory.
int BenchLinkUpdate(const std::string& self, const std::string& cli,
                    const std::vector<std::string>& folders) {
    size_t total = 0;
    for (const std::string& folder : folders)
        morv::FindFiles(
            folder, [&total](const std::string&) { ++total; }, morv::NoProgress());
    const size_t stride = std::max<size_t>(1, total / 1000);
    std::printf(
        "link update plan of a batch renaming every %zu. page (1,000 of %zu), each folder a "
        "site,\nagainst extract --scan of the same folder: median of %d interleaved rounds\n",
        stride, total, kRounds);
    double extractTotal = 0, renameTotal = 0, moveTotal = 0;
    double extractCpuTotal = 0, renameCpuTotal = 0;
    size_t left = 1000;
    for (const std::string& folder : folders) {
        char renamePattern[] = "/tmp/morv-bench-moves-XXXXXX",
             movePattern[] = "/tmp/morv-bench-moves-XXXXXX";
        close(mkstemp(renamePattern));
        close(mkstemp(movePattern));
        const size_t count = WriteMoves(folder, stride, left, false, renamePattern);
        WriteMoves(folder, stride, left, true, movePattern);
        left -= count;
        std::vector<double> extracts, renames, moves, extractCpus, renameCpus;
        for (int round = 0; round < kRounds; ++round) {
            const ProgramRun extracted = RunProgram({cli, "extract", "--scan", folder});
            const ProgramRun renamed = RunProgram({self, "--plan-links", folder, renamePattern});
            const ProgramRun moved = RunProgram({self, "--plan-links", folder, movePattern});
            if (extracted.seconds < 0 || renamed.seconds < 0 || moved.seconds < 0) {
                std::fprintf(stderr, "plan or extraction of %s failed\n", folder.c_str());
                return 1;
            }
            extracts.push_back(extracted.seconds);
            renames.push_back(renamed.seconds);
            moves.push_back(moved.seconds);
            extractCpus.push_back(extracted.cpuSeconds);
            renameCpus.push_back(renamed.cpuSeconds);
        }
        const double extract = Median(extracts), rename = Median(renames), move = Median(moves);
        extractTotal += extract;
        renameTotal += rename;
        moveTotal += move;
        extractCpuTotal += Median(extractCpus);
        renameCpuTotal += Median(renameCpus);
        std::printf(
            "%s, %zu pages renamed:\n  extract %.3f s, plan (in place) %.3f s, "
            "plan (into another folder) %.3f s\n  ",
            folder.c_str(), count, extract, rename, move);
        std::fflush(stdout);
        PlanLinks(folder, renamePattern);
        unlink(renamePattern);
        unlink(movePattern);
    }
    std::printf("%-44s %8.2f   (limit 3)\n", "plan (in place) / extract, wall time",
                renameTotal / extractTotal);
    std::printf("%-44s %8.2f   (limit 3)\n", "plan (in place) / extract, CPU time",
                renameCpuTotal / extractCpuTotal);
    std::printf("%-44s %8.2f\n\n", "plan (into another folder) / extract, wall",
                moveTotal / extractTotal);

    // Memory against the number of pages: 100 pages renamed, each named by one other page, on
    // generated sites of two sizes. What grows is the list of documents, not the pages' text.
    MemoryAgainstPages("plan", [&self](const std::string& site) {
        const std::string movesFile = site + ".moves";
        std::ofstream moves(movesFile);
        for (int page = 500; page < 600; ++page)
            moves << site << "/p5/" << page << ".htm\t" << site << "/p5/n" << page << ".htm\n";
        moves.close();
        const long rss = RunProgram({self, "--plan-links", site, movesFile}, 0, true).maxRssKb;
        unlink(movesFile.c_str());
        return rss;
    });
    return 0;
}

// What a batch's page writes cannot take less than, as a process of its own:
// extract_bench --rewrite-alone LIST. Each page of the list (the pages a batch rewrites) is read
// and written again with its own bytes through the file layer's safe write (a new file beside it
// renamed over it, without a sync, the old one held open meanwhile), on two threads, as the
// batch writes its pages, but without its checks, edits and journal.
int RewritePagesAlone(const std::string& listFile) {
    morv::Result<std::vector<std::string>> pages = morv::ReadListFile(listFile);
    if (!pages) return 1;
    morv::WriteOptions options;
    options.sync = false;
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto rewrite = [&] {
        morv::FileBuffer bytes;
        for (size_t p = next++; p < pages.value().size(); p = next++) {
            const std::string& page = pages.value()[p];
            morv::UniqueFd old;
            failed =
                failed ||
                !morv::ReadFile(page, bytes, {morv::kMaxDocumentSize, false, {}}, nullptr, &old) ||
                !morv::WriteWholeFile(page, bytes.view(), options);
        }
    };
    std::thread second(rewrite);
    rewrite();
    second.join();
    return failed ? 1 : 0;
}

// The pages that the plan of a moves file rewrites, in a list file; false when it cannot be made.
bool WriteRewrittenPages(const std::string& site, const std::string& movesFile,
                         const std::string& listFile) {
    morv::Result<morv::LinkUpdatePlan> plan = morv::PlanLinkUpdate(RequestOf(site, movesFile));
    if (!plan) return false;
    std::vector<std::string> pages;
    for (const morv::PageEdits& page : plan.value().pages)
        pages.push_back(page.path);
    return morv::WriteListFile(listFile, pages).ok();
}

// The whole batch with link updating: trelo-cli rename of 1,000 of the corpus's pages with
// --update-links, each folder a site copied into a temporary folder first, against morv-cli
// extract --scan of the same copy; rounds interleaved, each batch undone (untimed) before the
// next round.
int BenchSiteBatch(const std::string& self, const std::string& cli, const std::string& trelo,
                   const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    // $TMPDIR chooses the disk the copies (and the journals) go to.
    const char* tmp = std::getenv("TMPDIR");
    std::string work =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/morv-bench-sites-XXXXXX";
    if (mkdtemp(work.data()) == nullptr) return 1;
    setenv("XDG_STATE_HOME", (work + "/state").c_str(), 1);  // the journals of these batches
    std::vector<std::string> sites;
    size_t total = 0;
    for (size_t k = 0; k < folders.size(); ++k) {
        sites.push_back(work + "/site" + std::to_string(k));
        if (RunProgram({"cp", "-rL", folders[k], sites.back()}, 1).seconds < 0) {
            std::fprintf(stderr, "copying %s failed\n", folders[k].c_str());
            return 1;
        }
        morv::FindFiles(
            sites.back(), [&total](const std::string&) { ++total; }, morv::NoProgress());
    }
    // The copies on the disk first, so that their writing does not fall on the rounds.
    RunProgram({"sync"});
    const size_t stride = std::max<size_t>(1, total / 1000);
    std::printf(
        "trelo-cli rename --update-links of every %zu. page (1,000 of %zu), each folder a site "
        "(a copy),\nagainst extract --scan of the same copy: median of %d interleaved rounds\n",
        stride, total, kRounds);
    double extractTotal = 0, batchTotal = 0, extractCpuTotal = 0, batchCpuTotal = 0;
    double aloneTotal = 0;
    size_t left = 1000;
    for (const std::string& site : sites) {
        std::vector<std::string> batch = {trelo,          "rename",         "File [####] (*)",
                                          "--no-clobber", "--update-links", site};
        std::vector<std::string> pages;
        morv::FindFiles(
            site, [&pages](const std::string& path) { pages.push_back(path); }, morv::NoProgress());
        size_t count = 0;
        for (size_t i = 0; i < pages.size() && count < left; i += stride, ++count)
            batch.push_back(pages[i]);
        left -= count;
        char movesPattern[] = "/tmp/morv-bench-moves-XXXXXX";
        close(mkstemp(movesPattern));
        WriteMoves(site, stride, count, false, movesPattern);
        char rewrittenPattern[] = "/tmp/morv-bench-list-XXXXXX";
        close(mkstemp(rewrittenPattern));
        if (!WriteRewrittenPages(site, movesPattern, rewrittenPattern)) return 1;
        std::vector<double> extracts, batches, extractCpus, batchCpus, alone;
        // Round -1 warms up: the journals' folder, the programs, the cache.
        for (int round = -1; round < kRounds; ++round) {
            const ProgramRun extracted = RunProgram({cli, "extract", "--scan", site});
            const ProgramRun renamed = RunProgram(batch, 0, false, true);  // lists what it leaves
            const ProgramRun undone = RunProgram({trelo, "undo"});
            if (extracted.seconds < 0 || renamed.seconds < 0 || undone.seconds < 0) {
                std::fprintf(stderr, "extraction, batch or undo of %s failed\n", site.c_str());
                return 1;
            }
            if (round < 0) continue;
            extracts.push_back(extracted.seconds);
            batches.push_back(renamed.seconds);
            extractCpus.push_back(extracted.cpuSeconds);
            batchCpus.push_back(renamed.cpuSeconds);
        }
        // Rounds of their own, after those: files just rewritten can be slower to read for the
        // extraction that would follow.
        for (int round = 0; round < kRounds; ++round) {
            alone.push_back(TimeProgram({self, "--rewrite-alone", rewrittenPattern}));
            if (alone.back() < 0) {
                std::fprintf(stderr, "rewrite of the pages of %s failed\n", site.c_str());
                return 1;
            }
        }
        const double extract = Median(extracts), renamed = Median(batches);
        extractTotal += extract;
        batchTotal += renamed;
        extractCpuTotal += Median(extractCpus);
        batchCpuTotal += Median(batchCpus);
        aloneTotal += Median(alone);
        std::printf(
            "%s, %zu pages renamed:\n  extract %.3f s, batch with links %.3f s, its pages' "
            "safe rewrite alone %.3f s\n  ",
            site.c_str(), count, extract, renamed, Median(alone));
        std::fflush(stdout);
        PlanLinks(site, movesPattern);
        unlink(movesPattern);
        unlink(rewrittenPattern);
    }
    std::printf("%-44s %8.2f   (limit 3)\n", "batch with links / extract, wall time",
                batchTotal / extractTotal);
    std::printf("%-44s %8.2f   (limit 3)\n", "batch with links / extract, CPU time",
                batchCpuTotal / extractCpuTotal);
    std::printf("%-44s %8.2f\n\n", "its pages' safe rewrite alone / extract, wall",
                aloneTotal / extractTotal);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The plain reader runs as a process of its own, as morv-cli does: extract_bench --read LIST.
    if (argc == 3 && std::string(argv[1]) == "--read") {
        morv::Result<std::vector<std::string>> files = morv::ReadListFile(argv[2]);
        if (!files) return 1;
        std::printf("%zu\n", ReadAll(files.value()));
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "--plan-links") return PlanLinks(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--rewrite-alone") return RewritePagesAlone(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--plan-lines")
        return PlanLinks(argv[2], argv[3], true);
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s MORV_CLI [--links | --batch TRELO_CLI] FOLDER...\n",
                     argv[0]);
        std::fprintf(stderr, "       %s --read LIST\n", argv[0]);
        std::fprintf(stderr, "       %s --plan-links FOLDER MOVES\n", argv[0]);
        std::fprintf(stderr, "       %s --plan-lines FOLDER MOVES\n", argv[0]);
        std::fprintf(stderr, "       %s --rewrite-alone LIST\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1];
    if (std::string(argv[2]) == "--links")
        return BenchLinkUpdate(argv[0], cli, std::vector<std::string>(argv + 3, argv + argc));
    if (std::string(argv[2]) == "--batch" && argc > 4)
        return BenchSiteBatch(argv[0], cli, argv[3],
                              std::vector<std::string>(argv + 4, argv + argc));
    // trelo-cli beside morv-cli, for the whole batch with links.
    const std::string trelo = cli.substr(0, cli.rfind('/') + 1) + "trelo-cli";
    std::vector<std::string> folders(argv + 2, argv + argc);

    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        morv::Status walked = morv::FindFiles(
            folder, [&files](const std::string& path) { files.push_back(path); },
            morv::NoProgress());
        if (!walked) {
            std::fprintf(stderr, "%s\n", walked.error().description.c_str());
            return 1;
        }
    }
    char listPattern[] = "/tmp/morv-bench-list-XXXXXX";
    close(mkstemp(listPattern));
    char reportPattern[] = "/tmp/morv-bench-report-XXXXXX";
    close(mkstemp(reportPattern));
    const std::string list = listPattern, report = reportPattern;
    if (!morv::WriteListFile(list, files)) return 1;

    const size_t bytes = ReadAll(files);  // warms the cache
    const std::string self = argv[0];
    double cpu = CpuSeconds(RUSAGE_CHILDREN);
    const double read = Best([&] { return TimeProgram({self, "--read", list}); });
    const double readCpu = (CpuSeconds(RUSAGE_CHILDREN) - cpu) / kRounds;
    cpu = CpuSeconds(RUSAGE_CHILDREN);
    const double extract = Best([&] {
        return TimeProgram({cli, "extract", "--list", list, "-o", report});
    });
    const double extractCpu = (CpuSeconds(RUSAGE_CHILDREN) - cpu) / kRounds;
    if (extract < 0) {
        std::fprintf(stderr, "morv-cli extract failed\n");
        return 1;
    }
    const double reportMB =
        double(morv::ReadFile(report, {morv::kMaxDocumentSize, false, {}}).value().size()) / 1e6;
    const double mb = double(bytes) / 1e6;

    std::printf("corpus: %zu documents, %.1f MB, in %zu folders\n", files.size(), mb,
                folders.size());
    std::printf(
        "best of %d rounds, warm cache (CPU time counts user + system time, so it is\n"
        "steadier than wall time on a busy machine)\n\n",
        kRounds);
    std::printf("%-44s %8.3f s %8.0f MB/s\n", "one process reading every file once", read,
                mb / read);
    std::printf("%-44s %8.3f s %8.0f MB/s\n", "morv-cli extract, all five kinds", extract,
                mb / extract);
    std::printf("%-44s %8.2f   (goal 1.2, limit 1.5)\n", "extract / read, wall time",
                extract / read);
    std::printf("%-44s %8.2f   (%.3f s / %.3f s, mean per round)\n", "extract / read, CPU time",
                extractCpu / readCpu, extractCpu, readCpu);
    std::printf("%-44s %8.1f MB\n\n", "report", reportMB);

    double scanTotal = 0, findTotal = 0;
    for (const std::string& folder : folders) {
        const double scan = Best([&] { return TimeProgram({cli, "scan", folder}); });
        const double find = Best([&] {
            return TimeProgram({"find", folder, "-type", "f", "-iname", "*.htm*"});
        });
        if (scan < 0 || find < 0) {
            std::fprintf(stderr, "scan of %s failed\n", folder.c_str());
            return 1;
        }
        scanTotal += scan;
        findTotal += find;
        std::printf("scan %-39s %8.4f s, find %8.4f s, ratio %.2f\n", folder.c_str(), scan, find,
                    scan / find);
    }
    std::printf("%-44s %8.2f   (limit 1.5)\n\n", "scan / find, all folders", scanTotal / findTotal);

    // Each folder as a site: the whole check with orphans against an extraction of the same
    // documents (both walk the folder first), rounds interleaved so that a busy moment of the
    // machine falls on both alike.
    std::printf("check-links --orphans against extract --scan, median of %d interleaved rounds\n",
                kRounds);
    double checkTotal = 0, extractTotal = 0, checkCpuTotal = 0, extractCpuTotal = 0;
    for (const std::string& folder : folders) {
        std::vector<double> checks, extracts, checkCpus, extractCpus;
        long checkRss = 0, extractRss = 0;
        // Round -1 measures memory under GNU time; the timed rounds run without it.
        for (int round = -1; round < kRounds; ++round) {
            const bool memory = round < 0;
            const ProgramRun extracted = RunProgram({cli, "extract", "--scan", folder}, 0, memory);
            const ProgramRun checked =
                RunProgram({cli, "check-links", folder, "--orphans"}, 1, memory);
            if (extracted.seconds < 0 || checked.seconds < 0) {
                std::fprintf(stderr, "check or extraction of %s failed\n", folder.c_str());
                return 1;
            }
            if (memory) {
                extractRss = extracted.maxRssKb;
                checkRss = checked.maxRssKb;
                continue;
            }
            extracts.push_back(extracted.seconds);
            checks.push_back(checked.seconds);
            extractCpus.push_back(extracted.cpuSeconds);
            checkCpus.push_back(checked.cpuSeconds);
        }
        long pages = 0;
        morv::FindFiles(
            folder, [&pages](const std::string&) { ++pages; }, morv::NoProgress());
        const double check = Median(checks), extract = Median(extracts);
        const double checkCpu = Median(checkCpus), extractCpu = Median(extractCpus);
        checkTotal += check;
        extractTotal += extract;
        checkCpuTotal += checkCpu;
        extractCpuTotal += extractCpu;
        std::printf(
            "%s, %ld pages:\n  check %.3f s (CPU %.3f s), extract %.3f s (CPU %.3f s); "
            "resident set check %ld MB, extract %ld MB\n",
            folder.c_str(), pages, check, checkCpu, extract, extractCpu, checkRss / 1024,
            extractRss / 1024);
    }
    std::printf("%-44s %8.2f   (limit 2)\n", "check-links / extract, wall time",
                checkTotal / extractTotal);
    std::printf("%-44s %8.2f   (limit 2)\n", "check-links / extract, CPU time",
                checkCpuTotal / extractCpuTotal);

    // Memory against the number of pages, on generated sites of two sizes: what grows is the
    // targets remembered (here one per page), not the pages.
    MemoryAgainstPages("check-links", [&cli](const std::string& site) {
        return RunProgram({cli, "check-links", site, "--orphans"}, 1, true).maxRssKb;
    });
    std::printf("\n");

    if (BenchLinkUpdate(self, cli, folders) != 0) return 1;
    if (access(trelo.c_str(), X_OK) == 0 && BenchSiteBatch(self, cli, trelo, folders) != 0)
        return 1;

    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("largest child resident set %ld MB\n", usage.ru_maxrss / 1024);
    unlink(list.c_str());
    unlink(report.c_str());
    return 0;
}
