// What letting window events run costs the long operations. Each operation runs in rounds, taken
// in turn so that a disturbance of the machine hits both alike, once with nobody watching and
// once as the program runs it (the progress window and the shared event pump); the medians of
// the CPU time and of the time on the wall are compared. The tree build has no unwatched form:
// there the event pump that never lets events run is the baseline. (The clean-up steps once per
// 64 KiB only.) On a busy machine those differences drown in noise; the last column is steady:
// the steps each operation took, times what one step of the progress window's observer costs in a
// loop of its own, as a share of the unwatched run.
// Usage: QT_QPA_PLATFORM=offscreen poll_bench [FOLDER]  (scanned and extracted; /usr/share/doc)
#include <QApplication>
#include <QTemporaryDir>
#include <QToolBar>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/sections/ReportGenerator.h"
#include "editor/core/StringBuffer.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/MainWindow.h"
#include "extract/core/FindFiles.h"
#include "extract/core/Report.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/Hooks.h"
#include "linkfix/core/FixLinks.h"
#include "sections/widgets/SectionsCommands.h"
#include "services/widgets/ProgressWindow.h"

using namespace morv;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 11;
double gStepSeconds = 0;  // one step of the progress window's observer

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs base and watched in turn, kRounds times each, and prints their medians, the share the
// watching adds, and the share its steps cost by the step count.
void Compare(const char* name, const std::function<void()>& base,
             const std::function<void()>& watched) {
    struct Times {
        std::vector<double> cpu, wall;
    } baseTimes, watchedTimes;
    auto time = [](const std::function<void()>& run, Times& times) {
        const double cpu = CpuSeconds();
        const auto start = Clock::now();
        run();
        times.wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        times.cpu.push_back(CpuSeconds() - cpu);
    };
    long steps = 0;
    {
        ScopedHooks count({.eachStep = [&steps] { ++steps; }});
        watched();
    }
    for (int i = 0; i < kRounds; ++i) {
        time(base, baseTimes);
        time(watched, watchedTimes);
    }
    const double bc = Median(baseTimes.cpu), wc = Median(watchedTimes.cpu);
    const double bw = Median(baseTimes.wall), ww = Median(watchedTimes.wall);
    std::printf("%-20s %7.4f %7.4f %+6.2f%%  %7.4f %7.4f %+6.2f%%  %9ld %6.2f%%\n", name, bc, wc,
                (wc / bc - 1) * 100, bw, ww, (ww / bw - 1) * 100, steps,
                double(steps) * gStepSeconds / bc * 100);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : "/usr/share/doc";
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    window->show();
    app.processEvents();
    {
        ProgressWindowObserver observer(window, &stop);
        constexpr long kSteps = 20'000'000;
        const double cpu = CpuSeconds();
        for (long i = 0; i < kSteps; ++i) {
            observer.SetValue(i);
            (void)observer.ShouldStop();
        }
        gStepSeconds = (CpuSeconds() - cpu) / kSteps;
    }
    std::printf("one step of the observer: %.1f ns\n", gStepSeconds * 1e9);
    std::printf("%-20s %22s  %22s  %17s\n", "", "CPU seconds", "wall seconds", "by step count");
    std::printf("%-20s %7s %7s %7s  %7s %7s %7s  %9s %7s\n", "operation", "alone", "watched",
                "cost", "alone", "watched", "cost", "steps", "cost");

    std::vector<std::string> files;
    Compare(
        "folder scan", [&] { files = ScanForDocuments(folder, NoProgress()).value(); },
        [&] {
            ProgressWindowObserver observer(window, &stop);
            (void)ScanForDocuments(folder, observer);
        });

    ExtractRequest request;
    request.files = files;
    request.options.clearText = true;
    Compare(
        "extraction", [&] { (void)ExtractReport(request, NoProgress()); },
        [&] {
            ProgressWindowObserver observer(window, &stop);
            (void)ExtractReport(request, observer);
        });

    const std::string report = bench::MakeReport();
    const FixLinksOptions fix{"www.example.org", "docs", FixScope::WholeDocument,
                              FixCaret::FirstFixedPosition};
    Compare(
        "link fixing",
        [&] {
            StringBuffer buffer{std::string(report)};
            (void)FixLinksInDocument(buffer, fix, NoProgress());
        },
        [&] {
            StringBuffer buffer{std::string(report)};
            ProgressWindowObserver observer(window, &stop);
            (void)FixLinksInDocument(buffer, fix, observer);
        });
    window->Unload();

    QTemporaryDir dir;
    frmMain main(dir.path(), dir.path());
    InstallSectionsCommands(main);
    main.show();
    main.Rich1()->LoadBytes(report);
    const PollThrottle::Ticks never = ~PollThrottle::Ticks(0);
    auto withoutEvents = [never](const std::function<void()>& run) {
        return [never, run] {
            ScopedHooks pump({.pollIntervals = PollThrottle::Intervals{
                                  never, never, never, EventPump::kDefaultIntervals.look}});
            EventPump::RunNow();
            run();
        };
    };
    auto tree = [&] { main.Toolbar1ButtonClick("tree"); };
    Compare("sections tree build", withoutEvents(tree), tree);
    std::printf("%zu documents scanned and extracted; a %.1f MB report fixed and indexed\n",
                files.size(), double(report.size()) / 1e6);
    return 0;
}
