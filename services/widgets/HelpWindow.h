#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>

class QHelpEngine;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTemporaryDir;
class QTextBrowser;

// The help viewer of the editor, over the help collection that the build makes of the pages in
// html/ (Qt Help): its table of contents, a full-text search and the topic itself, in one window
// that stays open beside the main window.
namespace morv {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* owner = nullptr);
    ~HelpWindow() override;

    // Opens the help collection (morv.qhc, with morv.qch beside it). It is used through a copy
    // in a temporary folder of the window's own, where Qt Help builds the search index; the
    // index is built at once, on a thread. False when the collection cannot be read.
    bool LoadCollection(const QString& collectionFile);

    bool ShowContents();                      // the contents page, contents tab in front
    bool ShowSearch();                        // the search tab in front, the query field focused
    bool ShowTopic(const QString& fileName);  // false when the collection has no such topic
    // Lists the topics that hold every word of query once the search index is ready.
    void RunSearch(const QString& query);

    QString CurrentTopic() const;  // file name of the page shown ("license.htm")
    QHelpEngine* Engine() const { return engine_.get(); }

  signals:
    void contentsReady();  // the contents tree is filled
    void topicsListed();   // the topics found for the last query are in the list

  private:
    bool ShowUrl(const QUrl& url);
    void SearchWhenIndexed();
    void ListTopicsFound(int count);
    void OpenResult(int row);
    void SourceChanged();

    QString lastQuery_;
    bool indexing_ = false;
    bool searchPending_ = false;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* query_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QListWidget* results_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    // The engine goes before the folder that holds its copy of the collection, and before the
    // widgets that show its models.
    std::unique_ptr<QTemporaryDir> copyFolder_;
    std::unique_ptr<QHelpEngine> engine_;
};

// True when the help collection can be found; otherwise shows "Unable to initialize the help
// system." with what is missing, error icon, and returns false.
bool IsHelpAvailable(QWidget* owner);

// Each shows the help window (one per program, created on first use, owned by owner) and
// returns true, or shows its failure message with the error icon and returns false.
bool ShowHelpContents(QWidget* owner);
bool ShowHelpSearch(QWidget* owner);
bool ShowHelpTopic(QWidget* owner, const QString& topic);

// The help window when one is open (tests, and the end-to-end run).
HelpWindow* CurrentHelpWindow();

}  // namespace morv
