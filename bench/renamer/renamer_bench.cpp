// The renamer's core against its budgets, as ratios from one run:
//  - preview of 100,000 entries, against its budget of 0.2 s;
//  - renaming 10,000 files in one folder with the batch operation, against the same renames done
//    by a plain loop of rename(2) calls;
//  - the same batch with its journal (plan synced before the first change, progress synced every
//    few hundred steps), against the batch without one: the budget is 1.2x.
// The three kinds of run take turns in a turned order, round after round, and each reports its
// median.
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
#include "renamer/core/BatchRecovery.h"
#include "renamer/core/NameTemplate.h"

using namespace morv::renamer;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

std::vector<BatchItem> Renames(const std::string& folder, int count) {
    std::vector<BatchItem> items;
    items.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        items.push_back({folder + "/" + Name("IMG_", i), folder, Name("Holiday ", i)});
    return items;
}

bool Check(const BatchResult& result, const std::vector<BatchItem>& items) {
    if (result.ok()) return true;
    std::fprintf(stderr, "the batch failed: %s\n",
                 DescribeResult(BatchMode::Move, items, result).c_str());
    return false;
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

    // Renames: 10,000 files in one folder; a plain loop, the batch, the journaled batch.
    constexpr int kFiles = 10000;
    constexpr int kRounds = 7;
    std::string scratch = base + "/renamer-bench-XXXXXX";
    if (mkdtemp(scratch.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    // The journals go to the scratch folder, on the same disk as the files.
    setenv("XDG_STATE_HOME", (scratch + "/state").c_str(), 1);
    // Each round runs the three kinds in a turned order, each on a fresh folder made and synced
    // just before and removed just after, so that no kind pays for another's files.
    std::vector<double> plain, batch, journaled;
    NoClobberQuestions questions;
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            const int kind = (turn + round) % 3;
            const std::string folder =
                scratch + "/round" + std::to_string(round) + "-" + std::to_string(kind);
            MakeFiles(folder, kFiles);
            const std::vector<BatchItem> items = Renames(folder, kFiles);
            sync();
            const auto start = Clock::now();
            if (kind == 0) {
                for (const BatchItem& item : items) {
                    if (rename(item.source.c_str(), TargetPath(item).c_str()) != 0) {
                        std::perror("rename");
                        return 1;
                    }
                }
                plain.push_back(Seconds(start));
            } else if (kind == 1) {
                BatchResult result = RunBatch(BatchMode::Move, items, questions);
                batch.push_back(Seconds(start));
                if (!Check(result, items)) return 1;
            } else {
                BatchResult result =
                    RunJournaledBatch(JournalFolder(), BatchMode::Move, items, questions);
                journaled.push_back(Seconds(start));
                if (!Check(result, items)) return 1;
            }
            std::filesystem::remove_all(folder);
        }
    }
    std::filesystem::remove_all(scratch);
    const double loop = Median(plain), run = Median(batch), recorded = Median(journaled);
    std::printf(
        "rename of %d files (medians of %d rounds): batch %.4f s, rename(2) loop %.4f s = "
        "%.2fx the loop\n",
        kFiles, kRounds, run, loop, run / loop);
    std::printf("journaled batch %.4f s = %.2fx the batch without a journal (budget 1.2x)\n",
                recorded, recorded / run);
    return 0;
}
