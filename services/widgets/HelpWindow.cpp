#include "services/widgets/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentItem>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"
#include "services/core/HelpProject.h"
#include "services/widgets/AboutDialog.h"
#include "services/widgets/HelpFiles.h"

namespace morv {

namespace {

const QString kTitle = QStringLiteral("Morvane");
const QString kCollection = QStringLiteral("morv.qhc");
const QString kDocumentation = QStringLiteral("morv.qch");
const QString kContentsPage = QStringLiteral("index.htm");
const QString kHelpScheme = QStringLiteral("qthelp");

QPointer<HelpWindow> gHelpWindow;

// Qt Help opens the files it is given with SQLite, which would wait on a named pipe: only
// regular files go there.
bool IsRegularFile(const QString& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(PathToStd(path), error);
}

void ShowHelpError(QWidget* owner, const QString& text) {
    ShowMessage(owner, text, PromptIcon::Critical, kTitle);
}

// Shows the pages of the collection; any other address (a web page, "mailto:") goes to the
// desktop.
class HelpBrowser : public QTextBrowser {
  public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == kHelpScheme) return engine_->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

  protected:
    void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override {
        if (url.scheme() == kHelpScheme)
            QTextBrowser::doSetSource(url, type);
        else
            OpenUrl(url);
    }

  private:
    QHelpEngine* engine_;
};

// The help window of the program, created and loaded on first use. Null when the help
// collection cannot be read.
HelpWindow* OpenHelpWindow(QWidget* owner) {
    if (gHelpWindow) return gHelpWindow;
    const QString collection = FindShippedFile(kCollection);
    if (collection.isEmpty()) return nullptr;
    auto* window = new HelpWindow(owner);
    if (!window->LoadCollection(collection)) {
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

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabHelp"));
    tabs_->setAccessibleName(QStringLiteral("Contents and search"));

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

    connect(searchButton_, &QPushButton::clicked, this, [this] { RunSearch(query_->text()); });
    connect(query_, &QLineEdit::returnPressed, this, [this] { RunSearch(query_->text()); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenResult(results_->row(item)); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenResult(results_->row(item)); });

    auto* close = new QAction(QStringLiteral("Close"), this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(close);
    connect(close, &QAction::triggered, this, &QWidget::close);
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::LoadCollection(const QString& collectionFile) {
    if (engine_) return true;
    const QString documentation = QFileInfo(collectionFile).dir().filePath(kDocumentation);
    if (!IsRegularFile(collectionFile) || !IsRegularFile(documentation)) return false;
    // The shipped collection may sit in a folder nobody may write to; the copy names the
    // shipped documentation, and its folder takes the search index.
    copyFolder_ = std::make_unique<QTemporaryDir>();
    const QString copy = copyFolder_->filePath(kCollection);
    {
        QHelpEngineCore shipped(collectionFile);
        if (!copyFolder_->isValid() || !shipped.setupData() || !shipped.copyCollectionFile(copy))
            return false;
    }
    engine_ = std::make_unique<QHelpEngine>(copy);
    engine_->setReadOnly(false);
    if (!engine_->setupData() || engine_->registeredDocumentations().isEmpty()) return false;

    QHelpContentWidget* contents = engine_->contentWidget();
    contents->setObjectName(QStringLiteral("treeContents"));
    contents->setAccessibleName(QStringLiteral("Contents"));
    contents->setHeaderHidden(true);
    tabs_->insertTab(0, contents, QStringLiteral("Contents"));
    // Enter opens the entry (linkActivated), and so does a click.
    connect(contents, &QHelpContentWidget::linkActivated, this,
            [this](const QUrl& url) { ShowUrl(url); });
    connect(contents, &QHelpContentWidget::clicked, this, [this](const QModelIndex& index) {
        if (QHelpContentItem* item = engine_->contentModel()->contentItemAt(index))
            ShowUrl(item->url());
    });
    connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandAll();
        emit contentsReady();
    });

    QHelpSearchEngine* search = engine_->searchEngine();
    connect(search, &QHelpSearchEngine::indexingFinished, this, [this] {
        indexing_ = false;
        SearchWhenIndexed();
    });
    connect(search, &QHelpSearchEngine::searchingFinished, this,
            [this](int count) { ListTopicsFound(count); });
    indexing_ = true;
    search->reindexDocumentation();

    browser_ = new HelpBrowser(engine_.get(), this);
    browser_->setObjectName(QStringLiteral("txtTopic"));
    browser_->setAccessibleName(QStringLiteral("Help topic"));
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { SourceChanged(); });

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tbrHelp"));
    toolbar->setAccessibleName(QStringLiteral("Help navigation"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
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
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, [this] { ShowContents(); });
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(splitter, 1);
    return true;
}

bool HelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    return ShowTopic(kContentsPage);
}

bool HelpWindow::ShowSearch() {
    tabs_->setCurrentIndex(tabs_->count() - 1);
    if (browser_->source().isEmpty()) ShowTopic(kContentsPage);
    query_->setFocus();
    query_->selectAll();
    return true;
}

bool HelpWindow::ShowTopic(const QString& fileName) {
    // Every page is a keyword of the collection whose identifier is its file name.
    const QList<QHelpLink> links = engine_->documentsForIdentifier(fileName);
    return !links.isEmpty() && ShowUrl(links.constFirst().url);
}

bool HelpWindow::ShowUrl(const QUrl& url) {
    if (url.scheme() != kHelpScheme || engine_->fileData(url).isEmpty()) return false;
    if (url != browser_->source()) browser_->setSource(url);
    return true;
}

void HelpWindow::RunSearch(const QString& query) {
    results_->clear();
    lastQuery_ = query;
    searchPending_ = true;
    SearchWhenIndexed();
}

void HelpWindow::SearchWhenIndexed() {
    if (!searchPending_ || indexing_) return;
    searchPending_ = false;
    const QString words = ToQString(FullTextQuery(ToStd(lastQuery_)));
    if (words.isEmpty()) {
        ListTopicsFound(0);
        return;
    }
    engine_->searchEngine()->search(words);
}

void HelpWindow::ListTopicsFound(int count) {
    results_->clear();
    for (const QHelpSearchResult& found : engine_->searchEngine()->searchResults(0, count)) {
        auto* item = new QListWidgetItem(found.title(), results_);
        item->setData(Qt::UserRole, found.url());
    }
    if (count == 0 && !SplitQuery(ToStd(lastQuery_)).empty())
        results_->addItem(QStringLiteral("No topics found."));
    emit topicsListed();
}

void HelpWindow::OpenResult(int row) {
    QListWidgetItem* item = results_->item(row);
    if (item == nullptr || !ShowUrl(item->data(Qt::UserRole).toUrl())) return;
    // Mark the first place of the first search word in the topic.
    const std::vector<std::string> words = SplitQuery(ToStd(lastQuery_));
    if (!words.empty()) {
        browser_->moveCursor(QTextCursor::Start);
        browser_->find(ToQString(words.front()));
    }
}

void HelpWindow::SourceChanged() {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Morvane Help")
                                   : title + QStringLiteral(" - Morvane Help"));
}

QString HelpWindow::CurrentTopic() const {
    return browser_ == nullptr ? QString() : QFileInfo(browser_->source().path()).fileName();
}

bool IsHelpAvailable(QWidget* owner) {
    if (!FindShippedFile(kCollection).isEmpty()) return true;
    const QStringList folders = ShippedFileFolders();
    ShowHelpError(owner, QStringLiteral("Unable to initialize the help system.\r\n\r\n"
                                        "To display Help, the help collection of Morvane (the "
                                        "files \"morv.qhc\" and \"morv.qch\") must be installed "
                                        "in one of these folders: ") +
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
    if (window == nullptr || !window->ShowSearch()) {
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
