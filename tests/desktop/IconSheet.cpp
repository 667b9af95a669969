// morv_icon_sheet: shows every toolbar and tree picture of both programs by its theme name, in
// toolbars like the programs' own, and saves a screenshot of the window. Used to look at the
// icons with and without a desktop icon theme (tests/desktop/icon_screenshots.sh).
//
//   morv_icon_sheet [--theme NAME] [--save FILE.png]
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "helpers/widgets/ThemeIcon.h"

namespace {

struct Entry {
    const char* key;
    const char* icon;
};

// The tables of data/icons/README.md.
constexpr Entry kMorvToolbar[] = {
    {"new", "document-new"},
    {"open", "document-open"},
    {"save", "document-save"},
    {"print", "document-print"},
    {"pane", "view-list-tree"},
    {"tree", "view-refresh"},
    {"find", "edit-find"},
    {"clear", "edit-clear"},
    {"cut", "edit-cut"},
    {"copy", "edit-copy"},
    {"paste", "edit-paste"},
    {"undo", "edit-undo"},
    {"extract", "document-export"},
    {"fix", "insert-link"},
    {"nosection", "format-remove-node"},
    {"noempty", "format-justify-fill"},
    {"help", "help-contents"},
};
constexpr Entry kTreloToolbar[] = {
    {"add", "list-add"}, {"remove", "list-remove"}, {"clear", "edit-clear"},
    {"up", "go-up"},     {"down", "go-down"},       {"preview", "view-preview"},
};
constexpr Entry kMenus[] = {
    {"reopen", "document-open-recent"},
    {"save as", "document-save-as"},
    {"new window", "window-new"},
    {"page setup", "document-page-setup"},
    {"exit", "application-exit"},
    {"delete", "edit-delete"},
    {"select all", "edit-select-all"},
    {"replace", "edit-find-replace"},
    {"rename files", "edit-rename"},
    {"feedback", "mail-send"},
    {"about", "help-about"},
    {"properties", "document-properties"},
    {"browse", "folder-open"},
};
constexpr Entry kOthers[] = {
    {"document", "x-office-document"},
    {"file", "text-html"},
    {"section", "text-x-generic"},
    {"morv", "morvane"},
    {"trelo", "trellin"},
};

template <size_t N>
QToolBar* MakeToolBar(const QString& title, const Entry (&entries)[N], QWidget* parent) {
    auto* bar = new QToolBar(title, parent);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const Entry& entry : entries) {
        QAction* action = bar->addAction(morv::ThemeIcon(entry.icon), QLatin1String(entry.key));
        const bool themed = QIcon::hasThemeIcon(QLatin1String(entry.icon));
        action->setToolTip(QStringLiteral("%1 (%2)").arg(
            QLatin1String(entry.icon),
            themed ? QStringLiteral("theme") : QStringLiteral("bundled")));
    }
    return bar;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QString save;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--theme")) QIcon::setThemeName(args[i + 1]);
        if (args[i] == QLatin1String("--save")) save = args[i + 1];
    }

    QMainWindow window;
    window.setWindowTitle(
        QStringLiteral("Icons - theme: %1")
            .arg(QIcon::themeName().isEmpty() ? QStringLiteral("none") : QIcon::themeName()));
    window.setWindowIcon(morv::ThemeIcon("morvane"));
    window.addToolBar(MakeToolBar(QStringLiteral("morv"), kMorvToolbar, &window));
    window.addToolBarBreak();
    window.addToolBar(MakeToolBar(QStringLiteral("trelo"), kTreloToolbar, &window));
    window.addToolBar(MakeToolBar(QStringLiteral("other"), kOthers, &window));
    window.addToolBarBreak();
    window.addToolBar(MakeToolBar(QStringLiteral("menus"), kMenus, &window));
    auto* label = new QLabel(QStringLiteral("Icon theme: %1").arg(QIcon::themeName()), &window);
    label->setMargin(8);
    window.setCentralWidget(label);
    window.resize(1000, 240);
    window.show();

    if (!save.isEmpty()) {
        QTimer::singleShot(500, &window, [&window, save] {
            window.grab().save(save);
            QApplication::quit();
        });
    }
    return QApplication::exec();
}
