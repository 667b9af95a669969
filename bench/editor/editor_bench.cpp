// What the user waits for in the real main window (shown, under a real X server) on a large
// report: its load, the whole-document commands and their undo, typing at the end, Page Down and
// a Find to the middle, and the memory the process holds after the load and after an edit and
// its undo. It uses only what the main window offered before the editor moved onto its editing
// component too, so that the same source builds against both and the figures compare.
//
// Usage: editor_bench REPORT FIND REPLACE [--keys]   (under X with a window manager; see
// run-bench.sh). --keys: only the load and the key presses, with ten times as many keys.
// Prints one "name seconds" or "name megabytes" line per figure.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
// The scripted prompter lives with the test fakes in newer trees, in the prompter's header before.
#if __has_include("tests/support/WidgetFakes.h")
#include "tests/support/WidgetFakes.h"
#endif
#include "linkfix/widgets/FixDialog.h"
#include "search/widgets/FindDialogs.h"
#include "sections/widgets/SectionsCommands.h"

using namespace morv;

namespace {

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024;
        }
    }
    return -1;
}

// Lets every pending event run, painting included, so that a step is timed until the window
// shows its result.
void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: editor_bench REPORT FIND REPLACE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    std::string report = read.str();
    const QString find = QString::fromUtf8(argv[2]);
    const QString replace = QString::fromUtf8(argv[3]);

    QTemporaryDir dir;
    frmMain main(dir.path(), dir.path());
    InstallSectionsCommands(main);
    InstallSearchCommands(main);
    main.resize(1000, 700);
    main.show();
    ScriptedPrompter prompter;  // every confirmation answered with its default, OK
    ScopedPrompter scoped(&prompter);
    Settle();
    std::printf("rss_idle_mb %.1f\n", ResidentMegabytes());

    QElapsedTimer clock;
    auto step = [&](const char* name, auto&& work) {
        clock.start();
        work();
        Settle();
        std::printf("%s %.4f\n", name, double(clock.nsecsElapsed()) / 1e9);
        std::fflush(stdout);
    };
    DocumentEditor* editor = main.Rich1();
    step("load", [&] { editor->LoadBytes(report); });
    std::printf("rss_open_mb %.1f\n", ResidentMegabytes());
    const bool keysOnly = argc > 4 && std::string(argv[4]) == "--keys";
    const int keys = keysOnly ? 200 : 20;
    if (!keysOnly) {
        step("remove_section_attributes", [&] { RemoveSectionAttributes(main); });
        step("remove_section_attributes_undo", [&] { editor->undo(); });
        std::printf("rss_edit_undo_mb %.1f\n", ResidentMegabytes());
        step("remove_empty_lines", [&] { RemoveEmptyLines(main); });
        step("remove_empty_lines_undo", [&] { editor->undo(); });

        frmReplace* replaceDialog = ShowReplaceDialog(main);
        replaceDialog->findChild<QLineEdit*>("Text1")->setText(find);
        replaceDialog->findChild<QLineEdit*>("Text2")->setText(replace);
        step("replace_all", [&] { replaceDialog->cmdReplaceAll_Click(); });
        step("replace_all_undo", [&] { editor->undo(); });
        CloseFindReplace(main);

        {
            auto fix = std::make_unique<frmFix>(main);
            fix->show();
            fix->txtRoot()->setText(QStringLiteral("www.example.org"));
            step("fix_relative_links", [&] { QTest::mouseClick(fix->cmdOK(), Qt::LeftButton); });
            step("fix_relative_links_undo", [&] { editor->undo(); });
        }
        std::printf("rss_after_commands_mb %.1f\n", ResidentMegabytes());
    }

    // Typing at the end of the text, one key at a time.
    EditorBuffer(editor).SetCaret(kEndOfText);
    editor->setFocus();
    Settle();
    step(keysOnly ? "type_200_keys_at_end" : "type_20_keys_at_end", [&] {
        for (int i = 0; i < keys; ++i) {
            QTest::keyClick(editor, Qt::Key_X);
            Settle();
        }
    });
    // Page Down from the top.
    EditorBuffer(editor).SetCaret(0);
    Settle();
    step(keysOnly ? "page_down_200_times" : "page_down_20_times", [&] {
        for (int i = 0; i < keys; ++i) {
            QTest::keyClick(editor, Qt::Key_PageDown);
            Settle();
        }
    });
    // A Find from the top to the first line from the middle on that occurs only there (a file
    // header: run-bench.sh spells the path of each repeated file differently).
    size_t middle = report.size() / 2;
    std::string line;
    do {
        middle = report.find("\r\n", middle) + 2;
        line = report.substr(middle, report.find("\r\n", middle) - middle);
    } while (line.rfind("[FILE", 0) != 0 || report.find(line) != middle);
    EditorBuffer(editor).SetCaret(0);
    frmFind* findDialog = ShowFindDialog(main);
    findDialog->findChild<QLineEdit*>("Text1")->setText(QString::fromStdString(line));
    Settle();
    step("find_to_middle", [&] { findDialog->cmdFind_Click(); });
    const long found = EditorBuffer(editor).SelectionStart();
    std::printf(
        "find_found_at %ld (the line is at byte %zu of the file, before its lone breaks became CR "
        "LF)\n",
        found, middle);
    std::printf("messages %lld\n", (long long)prompter.asked().size());
    main.State().DocumentModified = false;
    return 0;
}
