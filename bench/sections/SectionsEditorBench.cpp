// Times the same commands through the real main window on the offscreen platform: what the user
// waits for, widget work included, on the generated 50 MB report. Run with
// QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>

#include "bench/sections/ReportGenerator.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "search/widgets/FindDialogs.h"
#include "sections/widgets/SectionsCommands.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    frmMain main(dir.path(), dir.path());
    InstallSectionsCommands(main);
    InstallSearchCommands(main);
    main.show();
    ScriptedPrompter prompter;  // answers every confirmation with its default, OK
    ScopedPrompter scoped(&prompter);
    const std::string report = bench::MakeReport();
    std::printf("report: %.1f MB, %d file blocks\n", double(report.size()) / 1e6, bench::kFiles);

    QElapsedTimer clock;
    auto step = [&](const char* name, auto&& work) {
        clock.start();
        work();
        app.processEvents();
        std::printf("%-34s %8.3f s\n", name, double(clock.nsecsElapsed()) / 1e9);
    };
    auto load = [&] { main.Rich1()->LoadBytes(report); };
    step("load into the editor", load);
    step("document bytes (snapshot)", [&] { (void)DocumentBytes(main.Rich1()); });
    step("retrieve sections tree", [&] { main.Toolbar1ButtonClick("tree"); });
    std::printf("  tree: %d file nodes\n", main.TreeView1()->topLevelItem(0)->childCount());
    step("remove section attributes", [&] { RemoveSectionAttributes(main); });
    step("  undo", [&] { main.Rich1()->undo(); });
    step("remove empty lines", [&] { RemoveEmptyLines(main); });
    step("  undo", [&] { main.Rich1()->undo(); });
    frmReplace* dialog = ShowReplaceDialog(main);
    dialog->findChild<QLineEdit*>("Text1")->setText("images");
    dialog->findChild<QLineEdit*>("Text2")->setText("pictures");
    step("replace all (1,000,000)", [&] { dialog->cmdReplaceAll_Click(); });
    step("  undo", [&] { main.Rich1()->undo(); });
    step("type a character afterwards", [&] {
        const long end = main.Rich1()->Length();
        main.Rich1()->ReplaceRange(end, end, "x");
    });
    std::printf("messages shown: %lld\n", (long long)prompter.asked().size());
    return 0;
}
