// The renamer's core against its budgets, as ratios from one run:
//  - preview of 100,000 entries, against its budget of 0.2 s;
//  - renaming 10,000 files in one folder with the batch operation, against the same renames done
//    by a plain loop of rename(2) calls.
// Usage: renamer_bench [FOLDER] (default: the current folder; a scratch folder is made in it).
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "renamer/core/BatchOperation.h"
#include "renamer/core/NameTemplate.h"

using namespace morv::renamer;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Name(const char* prefix, int i) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%05d.jpg", prefix, i);
    return buffer;
}

void MakeFiles(const std::string& folder, int count) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i)
        if (FILE* f = std::fopen((folder + "/" + Name("IMG_", i)).c_str(), "w")) std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = argc > 1 ? argv[1] : std::filesystem::current_path().string();

    // Preview: 100,000 entries, best of three.
    constexpr int kEntries = 100000;
    std::vector<FileEntry> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i)
        entries.push_back(MakeFileEntry("/home/user/Pictures/Holiday 2024/" + Name("IMG_", i)));
    double preview = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        if (!ShowPreview(entries, "Holiday [#####] (*)", "1", TemplateOptions{false, true}))
            return 1;
        preview = std::min(preview, Seconds(start));
    }
    std::printf("preview of %d entries: %.4f s = %.2f of the 0.2 s budget\n", kEntries, preview,
                preview / 0.2);

    // Renames: 10,000 files in one folder, plain loop against the batch, alternating, best of
    // three each.
    constexpr int kFiles = 10000;
    std::string scratch = base + "/renamer-bench-XXXXXX";
    if (mkdtemp(scratch.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    double plain = 1e9, batch = 1e9;
    NoClobberQuestions questions;
    for (int round = 0; round < 3; ++round) {
        const std::string a = scratch + "/plain" + std::to_string(round);
        const std::string b = scratch + "/batch" + std::to_string(round);
        MakeFiles(a, kFiles);
        MakeFiles(b, kFiles);
        sync();

        auto start = Clock::now();
        for (int i = 0; i < kFiles; ++i) {
            if (rename((a + "/" + Name("IMG_", i)).c_str(),
                       (a + "/" + Name("Holiday ", i)).c_str()) != 0) {
                std::perror("rename");
                return 1;
            }
        }
        plain = std::min(plain, Seconds(start));

        start = Clock::now();
        std::vector<BatchItem> items;
        items.reserve(kFiles);
        for (int i = 0; i < kFiles; ++i)
            items.push_back({b + "/" + Name("IMG_", i), b, Name("Holiday ", i)});
        BatchResult result = RunBatch(BatchMode::Move, items, questions);
        batch = std::min(batch, Seconds(start));
        if (!result.ok()) {
            std::fprintf(stderr, "the batch failed: %s\n",
                         DescribeResult(BatchMode::Move, items, result).c_str());
            return 1;
        }
    }
    std::filesystem::remove_all(scratch);
    std::printf("rename of %d files: batch %.4f s, rename(2) loop %.4f s = %.2fx the loop\n",
                kFiles, batch, plain, batch / plain);
    return 0;
}
