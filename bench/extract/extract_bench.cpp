// Measures, from one run on a corpus of HTML documentation:
//  - morv-cli extract with all five kinds over every document, next to one process that only
//    reads every file of the same list once (a process of its own, like morv-cli; warm cache;
//    best of several rounds);
//  - morv-cli scan of each corpus folder, next to find DIR -type f -iname '*.htm*'.
// Usage: extract_bench MORV_CLI FOLDER...
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "extract/core/FindFiles.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"

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

// Runs a program with its standard output sent to /dev/null; seconds it took, or -1.
double TimeProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
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

}  // namespace

int main(int argc, char** argv) {
    // The plain reader runs as a process of its own, as morv-cli does: extract_bench --read LIST.
    if (argc == 3 && std::string(argv[1]) == "--read") {
        morv::Result<std::vector<std::string>> files = morv::ReadListFile(argv[2]);
        if (!files) return 1;
        std::printf("%zu\n", ReadAll(files.value()));
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s MORV_CLI FOLDER...\n", argv[0]);
        std::fprintf(stderr, "       %s --read LIST\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1];
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
    std::printf("%-44s %8.2f   (limit 1.5)\n", "scan / find, all folders", scanTotal / findTotal);

    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("largest child resident set %ld MB\n", usage.ru_maxrss / 1024);
    unlink(list.c_str());
    unlink(report.c_str());
    return 0;
}
