#include "editor/widgets/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include <cmath>

#include "editor/core/CommandLine.h"
#include "editor/core/DocumentText.h"
#include "editor/core/RtfReader.h"
#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/KeyLocks.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"

namespace morv {

namespace {

// Captions padded to 20 characters widen their menus.
QString Padded(const char* caption) {
    return QString::fromLatin1(caption).leftJustified(20, ' ');
}

constexpr int kTreeWidthTwips = 2835;
constexpr int kRtfStripTwips = 330;

}  // namespace

frmMain::frmMain(const QString& programFolder, const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(programFolder), settingsFolder_(settingsFolder) {
    setObjectName("frmMain");
    setWindowIcon(ThemeIcon("morvane"));
    QFont font = this->font();
    font.setFamily("Tahoma");
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    // A horizontal scroll bar's height, in twips: the metric of a vertical bar's arrow.
    scrollBarHeight_ =
        int(std::lround(style()->pixelMetric(QStyle::PM_ScrollBarExtent) * PixelsToTwipsY(1)));

    CreatePanes();
    CreateActions();
    CreateMenus();
    CreateToolbar();
    CreateStatusBar();
    InstallDefaultCommands();
    RefreshCommandStates();
    SetToolbarFlat(toolbar_, false);  // built raised, made flat at load
    ToggleFlatToolbar(toolbar_);
    resize(TwipsToPixelsX(9600), TwipsToPixelsY(7200));
    SetUntitledCaption();

    connect(rich1_, &DocumentEditor::TextChanged, this, [this] { state_.DocumentModified = true; });
    rich1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(rich1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { mnuEdit_->popup(rich1_->mapToGlobal(at)); });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (commands_.navigateToNode) commands_.navigateToNode(item);
    });
    qApp->installEventFilter(this);
    auto* lockTimer = new QTimer(this);
    connect(lockTimer, &QTimer::timeout, this, [this] { UpdateKeyIndicators(); });
    lockTimer->start(1000);
}

frmMain::~frmMain() {
    qApp->removeEventFilter(this);
}

QString frmMain::SettingsFile() const {
    return PathToQString(JoinPath(PathToStd(settingsFolder_), "morv.ini"));
}

int frmMain::TwipsToPixelsX(double twips) const {
    return int(std::lround(twips * logicalDpiX() / 1440.0));
}
int frmMain::TwipsToPixelsY(double twips) const {
    return int(std::lround(twips * logicalDpiY() / 1440.0));
}
double frmMain::PixelsToTwipsX(int pixels) const {
    return pixels * 1440.0 / logicalDpiX();
}
double frmMain::PixelsToTwipsY(int pixels) const {
    return pixels * 1440.0 / logicalDpiY();
}

void frmMain::CreatePanes() {
    central_ = new QWidget(this);
    central_->setObjectName("central");
    setCentralWidget(central_);

    picTree_ = new QFrame(central_);
    picTree_->setObjectName("picTree");
    picTree_->setAccessibleName(tr("Sections pane"));
    picTree_->hide();
    lblTree_ = new QLabel(tr("Sections"), picTree_);
    lblTree_->setObjectName("lblTree");
    lblTree_->move(TwipsToPixelsX(105), TwipsToPixelsY(75));
    // An etched edge above the caption and a rule below it.
    const struct {
        int y;
        bool light;
    } rules[3] = {{20, true}, {0, false}, {350, false}};
    for (int i = 0; i < 3; ++i) {
        auto* line = new QFrame(picTree_);
        line->setObjectName(QStringLiteral("LineTree%1").arg(i));
        line->setFixedHeight(1);
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window,
                         rules[i].light ? QColor(Qt::white) : palette.color(QPalette::Mid));
        line->setPalette(palette);
        line->setGeometry(0, TwipsToPixelsY(rules[i].y), TwipsToPixelsX(3045), 1);
        lineTree_[i] = line;
    }
    tree_ = new QTreeWidget(picTree_);
    tree_->setObjectName("TreeView1");
    tree_->setAccessibleName(tr("Sections"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);

    picPad_ = new QWidget(central_);
    picPad_->setObjectName("picPad");
    rich1_ = new DocumentEditor(picPad_);
    rich1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rich1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont editorFont("Courier New", 10);
    editorFont.setStyleHint(QFont::TypeWriter);
    rich1_->setFont(editorFont);
    picRtf_ = new QWidget(picPad_);
    picRtf_->setObjectName("picRtf");
    picRtf_->setAutoFillBackground(true);
    picRtf_->setPalette(rich1_->palette());
    picRtf_->setBackgroundRole(QPalette::Base);
    picRtf_->setAttribute(Qt::WA_TransparentForMouseEvents);
    rich3_ = new QPlainTextEdit(picPad_);
    rich3_->setObjectName("Rich3");
    rich3_->setReadOnly(true);
    rich3_->setFont(editorFont);
    rich3_->setFocusPolicy(Qt::NoFocus);
    rich3_->hide();
    rich3_->setAccessibleName(tr("Working, please wait"));
}

namespace {

// Every command of the window, one action each: its menu item and its toolbar button trigger the
// same action, which carries the caption, the shortcut, the enabled state and the tooltip. Rows
// in menu order; a row of menu "" has no menu item (toolbar only), a caption "-" is a separator.
struct CommandRow {
    const char* menu;
    const char* name;  // the action's object name
    QString caption;
    const char* shortcut;
    frmMain::CommandHook hook;  // nullptr: wired in CreateActions
    bool closesFindReplace;     // the Find and Replace dialogs close before it runs
};

const std::vector<CommandRow>& CommandRows() {
    using C = MainCommands;
    static const std::vector<CommandRow> rows = {
        {"mnuFile", "mnuFileNew", Padded("New .."), "Ctrl+N", &C::fileNew, false},
        {"mnuFile", "mnuFileOpen", "Open ..", "Ctrl+O", &C::fileOpen, false},
        {"mnuFile", "mnuFileReOpen", "Reopen ..", "", &C::fileReopen, false},
        {"mnuFile", "sepFile", "-", "", nullptr, false},
        {"mnuFile", "mnuFileSave", "Save", "Ctrl+S", &C::fileSave, false},
        {"mnuFile", "mnuFileSaveAs", "Save As ..", "", &C::fileSaveAs, false},
        {"mnuFile", "sepFile1", "-", "", nullptr, false},
        {"mnuFile", "mnuFileNewWindow", "New Window", "", &C::fileNewWindow, false},
        {"mnuFile", "mnuFileOpenNewWindow", "Open in New Window ..", "", &C::fileOpenNewWindow,
         false},
        {"mnuFile", "mnuFileReOpenNewWindow", "Reopen in New Window ..", "",
         &C::fileReopenNewWindow, false},
        {"mnuFile", "sepFile2", "-", "", nullptr, false},
        {"mnuFile", "mnuPageSetup", "Page Setup ..", "", &C::pageSetup, false},
        {"mnuFile", "mnuFilePrint", "Print ..", "Ctrl+P", &C::print, true},
        {"mnuFile", "sepFile3", "-", "", nullptr, false},
        {"mnuFile", "mnuFileExit", "Exit", "", nullptr, false},
        {"mnuEdit", "mnuEditUndo", Padded("Undo"), "Ctrl+Z", &C::undo, false},
        {"mnuEdit", "sepEdit", "-", "", nullptr, false},
        {"mnuEdit", "mnuEditCut", "Cut", "Ctrl+X", &C::cut, false},
        {"mnuEdit", "mnuEditCopy", "Copy", "Ctrl+C", &C::copy, false},
        {"mnuEdit", "mnuEditPaste", "Paste", "Ctrl+V", &C::paste, false},
        {"mnuEdit", "mnuEditDelete", "Delete", "Del", &C::del, false},
        {"mnuEdit", "sepEdit1", "-", "", nullptr, false},
        {"mnuEdit", "mnuEditClear", "Clear", "Shift+Del", &C::clear, false},
        {"mnuEdit", "mnuEditSelectAll", "Select All", "Ctrl+A", &C::selectAll, false},
        {"mnuSearch", "mnuSearchFind", Padded("Find .."), "Ctrl+F", &C::find, true},
        {"mnuSearch", "mnuSearchFindNext", "Find Next", "F3", &C::findNext, false},
        {"mnuSearch", "sepSearch", "-", "", nullptr, false},
        {"mnuSearch", "mnuSearchReplace", "Replace ..", "Ctrl+R", &C::replace, true},
        {"mnuFormat", "mnuFormatWordWrap", "Word Wrap", "", &C::wordWrap, false},
        {"mnuFormat", "sepFormat", "-", "", nullptr, false},
        {"mnuFormat", "mnuFormatFont", "Font ..", "", &C::font, false},
        {"mnuActions", "mnuActionsExtract", "Extract ..", "", &C::extract, true},
        {"mnuActions", "mnuActionsFix", "Fix Relative Links ..", "", &C::fix, true},
        {"mnuActions", "mnuActionsCheckLinks", "Check Links ..", "", &C::checkLinks, true},
        {"mnuActions", "sepActions", "-", "", nullptr, false},
        {"mnuActions", "mnuActionsRemoveSection", "Remove Section Attributes ..", "",
         &C::removeSections, false},
        {"mnuActions", "mnuActionsRemove", "Remove Empty-Lines ..", "", &C::removeEmpty, false},
        {"mnuActions", "sepActions1", "-", "", nullptr, false},
        {"mnuActions", "mnuActionsInsertFile", "Insert File ..", "", &C::insertFile, false},
        {"mnuActions", "mnuActionRename", "Rename Files ..", "", nullptr, false},
        {"mnuActions", "mnuActionsDownload", "Download Links ..", "", nullptr, false},
        {"mnuOptions", "mnuOptionsDefaults", "Set Installation Defaults ..", "", nullptr, false},
        {"mnuHelp", "mnuHelpContents", "Contents", "F1", &C::helpContents, false},
        {"mnuHelp", "mnuHelpSearch", "Search", "", &C::helpSearch, false},
        {"mnuHelp", "sepHelp", "-", "", nullptr, false},
        {"mnuHelp", "mnuHelpSupport", "Support and Questions", "", nullptr, false},
        {"mnuHelp", "mnuHelpFeedback", "Send Feedback", "", nullptr, false},
        {"mnuHelp", "sepHelp1", "-", "", nullptr, false},
        {"mnuHelp", "mnuHelpLicense", "License Agreement", "", nullptr, false},
        {"mnuHelp", "sepHelp2", "-", "", nullptr, false},
        {"mnuHelp", "mnuHelpAbout", "About Morvane", "", &C::about, false},
        {"", "pane", "Sections Pane", "", nullptr, false},
        {"", "tree", "Retrieve Section Tree", "", &C::retrieveTree, false},
    };
    return rows;
}

bool IsSeparator(const CommandRow& row) {
    return row.caption == QLatin1String("-");
}

// The pane button's tooltip, whose words are also its name for a screen reader; the one at
// start says "Section".
const char kPaneTipAtStart[] = " Show Section Pane ";
const char kPaneTipShow[] = " Show Sections Pane ";
const char kPaneTipHide[] = " Hide Sections Pane ";

}  // namespace

void frmMain::CreateActions() {
    for (const CommandRow& row : CommandRows()) {
        if (IsSeparator(row)) continue;
        auto* action = new QAction(row.caption, this);
        action->setObjectName(row.name);
        if (*row.shortcut != '\0') action->setShortcut(QKeySequence(row.shortcut));
        if (row.hook == nullptr) continue;
        connect(action, &QAction::triggered, this,
                [this, hook = row.hook, closes = row.closesFindReplace] {
                    if (closes) CloseFindReplace();
                    if (commands_.*hook) (commands_.*hook)();
                });
        hooked_.push_back({action, row.hook});
    }
    MenuAction("mnuFormatWordWrap")->setCheckable(true);
    connect(MenuAction("mnuFileExit"), &QAction::triggered, this, [this] { close(); });
    connect(MenuAction("mnuActionRename"), &QAction::triggered, this, [this] { StartRenamer(); });
    QAction* download = MenuAction("mnuActionsDownload");
    download->setVisible(false);
    connect(download, &QAction::triggered, this, [this] {
        ShowMessage(this, "Coming soon ... !  ^^;", PromptIcon::Information, kAppTitle);
    });
    connect(MenuAction("mnuOptionsDefaults"), &QAction::triggered, this, [this] {
        if (Ask(this, "Replace current settings with the installation default settings?",
                PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::Yes,
                kAppTitle) == PromptAnswer::Yes) {
            RestoreDefaultSettings();
        }
    });
    connect(MenuAction("mnuHelpSupport"), &QAction::triggered, this, [this] {
        if (commands_.helpTopic) commands_.helpTopic("support.htm");
    });
    connect(MenuAction("mnuHelpLicense"), &QAction::triggered, this, [this] {
        if (commands_.helpTopic) commands_.helpTopic("license.htm");
    });
    connect(MenuAction("mnuHelpFeedback"), &QAction::triggered, this, [] {
        // A failure to start the mail program is not reported.
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("mailto:feedback@morvane.example?subject=Morvane 1.0 Feedback")));
    });

    // The pane button shows the pane while it is pressed, however it comes to be pressed: a
    // click, a screen reader's toggle, or the tree command.
    QAction* pane = MenuAction("pane");
    pane->setCheckable(true);
    connect(pane, &QAction::toggled, this, [this](bool pressed) { PaneButtonToggled(pressed); });
    // After the tree is built (the hook's own connection runs first), the pane shows.
    connect(MenuAction("tree"), &QAction::triggered, this,
            [this] { MenuAction("pane")->setChecked(true); });
}

void frmMain::CreateMenus() {
    const struct {
        const char* name;
        const char* caption;
    } menus[] = {{"mnuFile", "File"},     {"mnuEdit", "Edit"},       {"mnuSearch", "Search"},
                 {"mnuFormat", "Format"}, {"mnuActions", "Actions"}, {"mnuOptions", "Options"},
                 {"mnuHelp", "Help"}};
    for (const auto& m : menus) {
        QMenu* menu = menuBar()->addMenu(tr(m.caption));
        menu->setObjectName(m.name);
        menu->menuAction()->setObjectName(m.name);
        if (QLatin1String(m.name) == QLatin1String("mnuEdit")) mnuEdit_ = menu;
        for (const CommandRow& row : CommandRows()) {
            if (QLatin1String(row.menu) != QLatin1String(m.name)) continue;
            if (IsSeparator(row))
                menu->addSeparator()->setObjectName(row.name);
            else
                menu->addAction(MenuAction(row.name));
        }
    }
}

QAction* frmMain::MenuAction(const char* name) const {
    return findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void frmMain::CreateToolbar() {
    toolbar_ = addToolBar(tr("Toolbar"));
    toolbar_->setObjectName("Toolbar1");
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Button {
        const char* key;  // "" for a separator
        const char* tooltip;
        const char* icon;
        const char* command;  // the action it triggers
    };
    const Button buttons[] = {
        {"", "", "", ""},
        {"new", " New ", "document-new", "mnuFileNew"},
        {"open", " Open ", "document-open", "mnuFileOpen"},
        {"save", " Save ", "document-save", "mnuFileSave"},
        {"print", " Print ", "document-print", "mnuFilePrint"},
        {"", "", "", ""},
        {"pane", kPaneTipAtStart, "view-list-tree", "pane"},
        {"tree", " Retrieve Section Tree ", "view-refresh", "tree"},
        {"", "", "", ""},
        {"find", " Find ", "edit-find", "mnuSearchFind"},
        {"clear", " Clear Text ", "edit-clear", "mnuEditClear"},
        {"", "", "", ""},
        {"cut", " Cut ", "edit-cut", "mnuEditCut"},
        {"copy", " Copy ", "edit-copy", "mnuEditCopy"},
        {"paste", " Paste ", "edit-paste", "mnuEditPaste"},
        {"undo", " Undo ", "edit-undo", "mnuEditUndo"},
        {"", "", "", ""},
        {"extract", " Extract ", "document-export", "mnuActionsExtract"},
        {"fix", " Fix Relative Links ", "insert-link", "mnuActionsFix"},
        {"nosection", " Remove Section Attributes ", "format-remove-node",
         "mnuActionsRemoveSection"},
        {"noempty", " Remove Empty-Lines ", "format-justify-fill", "mnuActionsRemove"},
        {"", "", "", ""},
        {"help", " Help ", "help-contents", "mnuHelpContents"},
    };
    for (const Button& button : buttons) {
        if (*button.key == '\0') {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action = MenuAction(button.command);
        action->setIcon(ThemeIcon(button.icon));
        action->setIconVisibleInMenu(false);
        action->setProperty("key", QString::fromLatin1(button.key));
        SetToolTip(action, button.tooltip);
        toolbar_->addAction(action);
        toolbar_->widgetForAction(action)->setObjectName(button.key);
    }
}

void frmMain::SetToolTip(QAction* action, const QString& tooltip) {
    action->setToolTip(tooltip);
    // The button shows no text; its words are what a screen reader announces.
    action->setIconText(tooltip.trimmed());
}

QAction* frmMain::ToolbarAction(const QString& key) const {
    for (QAction* action : toolbar_->actions()) {
        if (action->property("key").toString() == key) return action;
    }
    return nullptr;
}

void frmMain::Toolbar1ButtonClick(const QString& key) {
    if (QAction* action = ToolbarAction(key)) action->trigger();
}

void frmMain::PaneButtonToggled(bool pressed) {
    QAction* pane = MenuAction("pane");
    SetToolTip(pane, pressed ? kPaneTipHide : kPaneTipShow);
    ShowSectionsPane(pressed);
    if (!pressed) rich1_->setFocus();
}

void frmMain::RefreshCommandStates() {
    for (const auto& [action, hook] : hooked_)
        action->setEnabled(static_cast<bool>(commands_.*hook));
    const bool hasTopics = static_cast<bool>(commands_.helpTopic);
    MenuAction("mnuHelpSupport")->setEnabled(hasTopics);
    MenuAction("mnuHelpLicense")->setEnabled(hasTopics);
}

void frmMain::InstallDefaultCommands() {
    // The editor's own clipboard and undo; the edit commands replace these with the full ones.
    commands_.undo = [this] { rich1_->undo(); };
    commands_.cut = [this] { rich1_->cut(); };
    commands_.copy = [this] { rich1_->copy(); };
    commands_.paste = [this] { rich1_->paste(); };
    commands_.del = [this] {
        if (rich1_->HasSelection())
            rich1_->ReplaceRange(rich1_->SelectionStart(), rich1_->SelectionEnd(), {});
    };
    commands_.selectAll = [this] { rich1_->selectAll(); };
    commands_.wordWrap = [this] {
        QAction* wrap = MenuAction("mnuFormatWordWrap");
        // The action toggled its own check mark when it was triggered from the menu.
        SetWordWrapMode(wrap->isChecked() ? 1 : 0);
        rich1_->viewport()->update();
    };
}

void frmMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    statusText_ = new QLabel("Ready");
    statusText_->setObjectName("StatusText");
    statusText_->setAccessibleName(tr("Status"));
    statusText_->setAccessibleDescription(statusText_->text());
    bar->addWidget(statusText_, 1);
    auto panel = [bar](const char* name, const char* text, const QString& accessible) {
        auto* label = new QLabel(QString::fromLatin1(text));
        label->setObjectName(name);
        label->setAccessibleName(accessible);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance("CAPS") + 12);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(label);
        return label;
    };
    capsPanel_ = panel("CapsPanel", "CAPS", tr("Caps Lock"));
    numPanel_ = panel("NumPanel", "NUM", tr("Num Lock"));
    insPanel_ = panel("InsPanel", "INS", tr("Insert mode"));
    UpdateKeyIndicators();
}

void frmMain::UpdateKeyIndicators() {
    KeyLocks locks;
    if (QueryKeyLocks(locks)) {
        capsPanel_->setEnabled(locks.caps);
        numPanel_->setEnabled(locks.num);
    }
    insPanel_->setEnabled(!rich1_->overwriteMode());
}

void frmMain::SetStatusText(const QString& text) {
    statusText_->setText(text);
    statusText_->setAccessibleDescription(text);  // read out after the panel's name
    statusText_->repaint();                       // shown at once, also during long operations
}

QString frmMain::StatusText() const {
    return statusText_->text();
}

void frmMain::CoverEditor(bool cover) {
    if (cover) {
        rich3_->setGeometry(rich1_->geometry());
        rich3_->show();
        rich3_->raise();
        rich3_->repaint();
    } else {
        rich3_->hide();
        rich1_->repaint();
        rich1_->setFocus();
    }
}

void frmMain::ShowSectionsPane(bool show) {
    setUpdatesEnabled(false);
    picTree_->setVisible(show);
    LayoutPanes();
    setUpdatesEnabled(true);
}

bool frmMain::IsSectionsPaneShown() const {
    return picTree_->isVisibleTo(this);
}

void frmMain::CloseFindReplace() {
    if (commands_.closeFindReplace) commands_.closeFindReplace();
}

void frmMain::SetWordWrapMode(int mode) {
    rich1_->SetWrapped(mode == 1);
}

bool frmMain::IsWordWrapOn() const {
    return MenuAction("mnuFormatWordWrap")->isChecked();
}

void frmMain::WidenEditorMargins() {
    // The text starts to the right of the plain strip over the editor's left edge.
    rich1_->SetLeftMargin(int(std::lround(420.0 / PixelsToTwipsX(1))));
    marginsWidened_ = true;
    LayoutPanes();
}

void frmMain::SetUntitledCaption() {
    setWindowTitle("Untitled - " + kAppTitle);
}

void frmMain::SetDocumentCaption(const QString& path, bool readOnly) {
    const QString name = PathToQString(GetFileName(PathToStd(path)));
    setWindowTitle(name + (readOnly ? " [Read-only] - " : " - ") + kAppTitle);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!isMinimized()) LayoutPanes();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    LayoutPanes();
}

void frmMain::LayoutPanes() {
    const int height = central_->height();
    const int clientWidth = central_->width();
    const int treeWidth = TwipsToPixelsX(kTreeWidthTwips);
    picTree_->setGeometry(0, 0, treeWidth, height);
    const bool treeShown = picTree_->isVisibleTo(this);
    const int padWidth = treeShown ? clientWidth - treeWidth : clientWidth;
    // A width that would come out negative is not applied.
    if (padWidth >= 0) {
        picPad_->setGeometry(treeShown ? treeWidth : 0, 0, padWidth, height);
    } else {
        picPad_->setGeometry(treeShown ? treeWidth : 0, 0, picPad_->width(), height);
    }
    rich1_->setGeometry(0, 0, picPad_->width(), picPad_->height());
    const int inset = TwipsToPixelsX(30);
    const int stripHeight =
        picPad_->height() - TwipsToPixelsY(60) - TwipsToPixelsY(scrollBarHeight_);
    if (stripHeight >= 0) {
        picRtf_->setGeometry(inset, TwipsToPixelsY(30), TwipsToPixelsX(kRtfStripTwips),
                             stripHeight);
    }
    picRtf_->setVisible(marginsWidened_);
    picRtf_->raise();
    if (rich3_->isVisible()) rich3_->setGeometry(rich1_->geometry());
    LayoutTreePane();
}

void frmMain::LayoutTreePane() {
    const int top = TwipsToPixelsY(360);
    const int height = picTree_->height() - TwipsToPixelsY(380);
    const int width = picTree_->width() - TwipsToPixelsX(40);
    if (height >= 0 && width >= 0) tree_->setGeometry(tree_->x(), top, width, height);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this && event->type() == QEvent::KeyPress) {
            // Any key stops a long operation that lets events run while this window is active.
            state_.StopRequest = true;
            // The editor itself toggles overtype on Insert; the panel follows afterwards.
            QTimer::singleShot(0, this, [this] { UpdateKeyIndicators(); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::DefaultQuerySaveChanges() {
    if (!state_.DocumentModified) return true;
    const QString name = state_.DocumentFile.isEmpty()
                             ? QStringLiteral("Untitled")
                             : PathToQString(GetFileName(PathToStd(state_.DocumentFile)));
    PromptAnswer answer = Ask(
        this,
        "The text in the " + name + " file has changed.\r\n\r\nDo you want to save the changes?",
        PromptButtons::YesNoCancel, PromptIcon::Exclamation, PromptAnswer::Yes, kAppTitle);
    if (answer == PromptAnswer::Cancel) return false;
    if (answer == PromptAnswer::Yes && commands_.fileSave) commands_.fileSave();
    return true;
}

bool frmMain::QuerySaveChanges() {
    return commands_.querySaveChanges ? commands_.querySaveChanges() : DefaultQuerySaveChanges();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A long operation with a progress window disables this window; the window manager's close
    // box still reaches it, and would end the program under the running operation.
    if (!isEnabled() || !QuerySaveChanges()) {
        event->ignore();
        return;
    }
    CloseFindReplace();
    SaveSettings();
    event->accept();
}

LoadReport frmMain::LoadThroughReader(const QString& path) {
    const LoadReport size = CheckFileSize(*this, path);
    if (size.result != LoadResult::Done) return size;
    Result<std::string> bytes = ReadDocumentFile(PathToStd(path));
    if (!bytes) return {LoadResult::Failed, ToQString(bytes.error().description)};
    if (!LooksLikeRtf(bytes.value()))
        return LoadDocumentBytes(*this, std::move(bytes.value()),
                                 PathToQString(GetFileName(PathToStd(path))));
    rich1_->LoadRuns(ReadRtf(bytes.value()));
    AdaptViewToDocument(*this);
    return {};
}

void frmMain::LoadStartupDocument(const QString& path) {
    if (path.isEmpty()) return;
    SetStatusText("Loading...");
    state_.DocumentFile = path;
    state_.LastPath = PathToQString(GetFolderName(PathToStd(path), false));
    SetDocumentCaption(path, IsReadOnlyFile(PathToStd(path)));
    repaint();
    const LoadReport report = LoadThroughReader(path);
    if (report.result != LoadResult::Done) {
        // Untitled again: a later Save must not write this empty text over the file.
        state_.DocumentFile.clear();
        SetUntitledCaption();
    }
    if (report.result == LoadResult::Failed)
        ShowMessage(this, report.error + ".", PromptIcon::Exclamation, kAppTitle);
    SetStatusText("Ready");
}

void frmMain::StartRenamer() {
    const QString program = PathToQString(JoinPath(PathToStd(programFolder_), "trelo"));
    if (const int code = StartProgram(program, {}); code != 0)
        ShowMessage(this, ToQString(GetAPIErrorText(code)), PromptIcon::Exclamation, kAppTitle);
}

}  // namespace morv
