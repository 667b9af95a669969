#include "services/widgets/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "helpers/core/FileIo.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"
#include "services/widgets/HelpFiles.h"

namespace morv {

namespace {

const QString kTitle = QStringLiteral("Morvane");
const QString kHelpFolder = QStringLiteral("html");
const QString kContentsPage = QStringLiteral("index.htm");

QPointer<HelpWindow> gHelpWindow;

// A topic name is a plain file name of the help set; anything with a path in it is not one.
bool IsPlainTopicName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String("..") &&
           name != QLatin1String(".");
}

// A page of the help set: a regular file of at most this size (a pipe is refused at once).
constexpr size_t kMaxHelpPage = size_t(16) << 20;

Result<std::string> ReadHelpPage(const QString& path) {
    return ReadFile(PathToStd(path), ReadOptions{kMaxHelpPage, false, {}});
}

void ShowHelpError(QWidget* owner, const QString& text) {
    ShowMessage(owner, text, PromptIcon::Critical, kTitle);
}

// The help window of the program, created and loaded on first use. Null when the help set
// cannot be read.
HelpWindow* OpenHelpWindow(QWidget* owner) {
    if (gHelpWindow) return gHelpWindow;
    const QString contents = FindShippedFile(kHelpFolder + QLatin1Char('/') + kContentsPage);
    if (contents.isEmpty()) return nullptr;
    auto* window = new HelpWindow(owner);
    if (!window->LoadHelpSet(QFileInfo(contents).absolutePath())) {
        delete window;
        return nullptr;
    }
    gHelpWindow = window;
    return window;
}

void Present(HelpWindow* window) {
    // The first time, beside the window that asked for help rather than in a corner.
    QWidget* owner = window->parentWidget();
    if (!window->isVisible() && owner != nullptr && owner->isVisible())
        window->move(owner->window()->frameGeometry().topLeft() + QPoint(40, 40));
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Morvane Help"));
    setAccessibleName(QStringLiteral("Morvane Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 620);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tbrHelp"));
    toolbar->setAccessibleName(QStringLiteral("Help navigation"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabHelp"));
    tabs_->setAccessibleName(QStringLiteral("Contents and search"));

    contents_ = new QTreeWidget(tabs_);
    contents_->setObjectName(QStringLiteral("treeContents"));
    contents_->setAccessibleName(QStringLiteral("Contents"));
    contents_->setHeaderHidden(true);
    tabs_->addTab(contents_, QStringLiteral("Contents"));

    auto* searchPage = new QWidget(tabs_);
    auto* searchLayout = new QVBoxLayout(searchPage);
    auto* queryLabel = new QLabel(QStringLiteral("Type in the &words to search for:"), searchPage);
    query_ = new QLineEdit(searchPage);
    query_->setObjectName(QStringLiteral("txtSearch"));
    query_->setAccessibleName(QStringLiteral("Words to search for"));
    queryLabel->setBuddy(query_);
    searchButton_ = new QPushButton(QStringLiteral("&List Topics"), searchPage);
    searchButton_->setObjectName(QStringLiteral("cmdSearch"));
    searchButton_->setAccessibleName(QStringLiteral("List Topics"));
    auto* resultsLabel = new QLabel(QStringLiteral("&Topics found:"), searchPage);
    results_ = new QListWidget(searchPage);
    results_->setObjectName(QStringLiteral("lstResults"));
    results_->setAccessibleName(QStringLiteral("Topics found"));
    resultsLabel->setBuddy(results_);
    auto* queryRow = new QHBoxLayout;
    queryRow->addWidget(query_, 1);
    queryRow->addWidget(searchButton_);
    searchLayout->addWidget(queryLabel);
    searchLayout->addLayout(queryRow);
    searchLayout->addWidget(resultsLabel);
    searchLayout->addWidget(results_, 1);
    tabs_->addTab(searchPage, QStringLiteral("Search"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txtTopic"));
    browser_->setAccessibleName(QStringLiteral("Help topic"));
    browser_->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(splitter, 1);

    QAction* back = toolbar->addAction(ThemeIcon("go-previous"), QStringLiteral("Back"));
    back->setObjectName(QStringLiteral("actBack"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward = toolbar->addAction(ThemeIcon("go-next"), QStringLiteral("Forward"));
    forward->setObjectName(QStringLiteral("actForward"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    QAction* home = toolbar->addAction(ThemeIcon("go-home"), QStringLiteral("Contents"));
    home->setObjectName(QStringLiteral("actHome"));
    QAction* close = new QAction(QStringLiteral("Close"), this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(close);

    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, [this] { ShowContents(); });
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    // The browser reports the new source before source() returns it.
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { SourceChanged(url); });
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { ShowTopic(item->data(0, Qt::UserRole).toString()); });
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ShowTopic(item->data(0, Qt::UserRole).toString()); });
    connect(searchButton_, &QPushButton::clicked, this, [this] { RunSearch(query_->text()); });
    connect(query_, &QLineEdit::returnPressed, this, [this] { RunSearch(query_->text()); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenResult(results_->row(item)); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenResult(results_->row(item)); });
}

bool HelpWindow::LoadHelpSet(const QString& folder) {
    const Result<std::string> contentsHtml =
        ReadHelpPage(folder + QLatin1Char('/') + kContentsPage);
    if (!contentsHtml) return false;
    folder_ = folder;
    browser_->setSearchPaths({folder});
    topics_.clear();
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.htm"), QStringLiteral("*.html")},
                               QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : files) {
        const Result<std::string> html = ReadHelpPage(folder + QLatin1Char('/') + name);
        if (html) topics_.push_back(MakeHelpTopic(PathToStd(name), html.value()));
    }
    BuildContentsTree(ParseContents(contentsHtml.value()));
    return true;
}

void HelpWindow::BuildContentsTree(const std::vector<ContentsEntry>& entries) {
    contents_->clear();
    std::vector<QTreeWidgetItem*> parents;  // the last item of each level
    for (const ContentsEntry& entry : entries) {
        const int level = std::min<int>(entry.level, int(parents.size()));
        parents.resize(size_t(level));
        QTreeWidgetItem* item =
            parents.empty() ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents.back());
        item->setText(0, ToQString(entry.title));
        item->setData(0, Qt::UserRole, PathToQString(entry.fileName));
        parents.push_back(item);
    }
    contents_->expandAll();
}

bool HelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    return ShowTopic(kContentsPage);
}

bool HelpWindow::ShowSearch() {
    tabs_->setCurrentIndex(1);
    if (browser_->source().isEmpty()) ShowTopic(kContentsPage);
    query_->setFocus();
    query_->selectAll();
    return true;
}

bool HelpWindow::ShowTopic(const QString& fileName) {
    if (!IsPlainTopicName(fileName)) return false;
    const QString path = folder_ + QLatin1Char('/') + fileName;
    // The browser reads the page itself, and would wait on a pipe: only a readable file goes there.
    if (folder_.isEmpty() || !ReadHelpPage(path)) return false;
    browser_->setSource(QUrl::fromLocalFile(path));
    return true;
}

void HelpWindow::RunSearch(const QString& query) {
    results_->clear();
    lastQuery_ = query;
    const std::vector<SearchHit> hits = SearchTopics(topics_, ToStd(query));
    for (const SearchHit& hit : hits) {
        auto* item = new QListWidgetItem(ToQString(hit.title), results_);
        item->setData(Qt::UserRole, PathToQString(hit.fileName));
    }
    if (hits.empty() && !SplitQuery(ToStd(query)).empty())
        results_->addItem(QStringLiteral("No topics found."));
}

void HelpWindow::OpenResult(int row) {
    QListWidgetItem* item = results_->item(row);
    if (item == nullptr) return;
    const QString fileName = item->data(Qt::UserRole).toString();
    if (fileName.isEmpty() || !ShowTopic(fileName)) return;
    // Mark the first place of the first search word in the topic.
    const std::vector<std::string> words = SplitQuery(ToStd(lastQuery_));
    if (!words.empty()) {
        browser_->moveCursor(QTextCursor::Start);
        browser_->find(ToQString(words.front()));
    }
}

void HelpWindow::SourceChanged(const QUrl& url) {
    const QString name = QFileInfo(url.toLocalFile()).fileName();
    for (const HelpTopic& topic : topics_) {
        if (PathToQString(topic.fileName) == name) {
            setWindowTitle(ToQString(topic.title) + QStringLiteral(" - Morvane Help"));
            return;
        }
    }
    setWindowTitle(QStringLiteral("Morvane Help"));
}

QString HelpWindow::CurrentTopic() const {
    return QFileInfo(browser_->source().toLocalFile()).fileName();
}

bool IsHelpAvailable(QWidget* owner) {
    if (!FindShippedFile(kHelpFolder + QLatin1Char('/') + kContentsPage).isEmpty()) return true;
    const QStringList folders = ShippedFileFolders();
    ShowHelpError(owner, QStringLiteral("Unable to initialize the help system.\r\n\r\n"
                                        "To display Help, the help files of Morvane (the folder "
                                        "\"html\" with its contents page \"index.htm\") must be "
                                        "installed in one of these folders: ") +
                             folders.join(QStringLiteral(", ")) + QLatin1Char('.'));
    return false;
}

bool ShowHelpContents(QWidget* owner) {
    if (!IsHelpAvailable(owner)) return false;
    HelpWindow* window = OpenHelpWindow(owner);
    if (window == nullptr || !window->ShowContents()) {
        ShowHelpError(owner, QStringLiteral("Unable to open the help contents."));
        return false;
    }
    Present(window);
    return true;
}

bool ShowHelpSearch(QWidget* owner) {
    if (!IsHelpAvailable(owner)) return false;
    HelpWindow* window = OpenHelpWindow(owner);
    if (window == nullptr || window->Topics().empty() || !window->ShowSearch()) {
        ShowHelpError(owner, QStringLiteral("Unable to open the help search."));
        return false;
    }
    Present(window);
    return true;
}

bool ShowHelpTopic(QWidget* owner, const QString& topic) {
    if (!IsHelpAvailable(owner)) return false;
    HelpWindow* window = OpenHelpWindow(owner);
    if (window == nullptr || !window->ShowTopic(topic)) {
        ShowHelpError(owner, QStringLiteral("Unable to open the help topic."));
        return false;
    }
    Present(window);
    return true;
}

HelpWindow* CurrentHelpWindow() {
    return gHelpWindow;
}

}  // namespace morv
