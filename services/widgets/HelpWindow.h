#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

#include "services/core/HelpIndex.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QUrl;

// The help viewer of the editor: the help set's contents, a full-text search over its topics and
// the topic itself, in one window that stays open beside the main window.
namespace morv {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* owner = nullptr);

    // Reads the help set in folder: the contents page "index.htm" and every "*.htm" topic.
    // False when the contents page cannot be read.
    bool LoadHelpSet(const QString& folder);

    bool ShowContents();                      // the contents page, contents tab in front
    bool ShowSearch();                        // the search tab in front, the query field focused
    bool ShowTopic(const QString& fileName);  // false when the help set has no such topic
    void RunSearch(const QString& query);     // fills the results list

    QString CurrentTopic() const;  // file name of the page shown ("license.htm")
    const std::vector<HelpTopic>& Topics() const { return topics_; }

  private:
    void BuildContentsTree(const std::vector<ContentsEntry>& entries);
    void OpenResult(int row);
    void SourceChanged(const QUrl& url);

    QString folder_;
    std::vector<HelpTopic> topics_;
    QString lastQuery_;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QLineEdit* query_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QListWidget* results_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

// True when the help set can be found; otherwise shows "Unable to initialize the help system."
// with what is missing, error icon, and returns false.
bool IsHelpAvailable(QWidget* owner);

// Each shows the help window (one per program, created on first use, owned by owner) and
// returns true, or shows its failure message with the error icon and returns false.
bool ShowHelpContents(QWidget* owner);
bool ShowHelpSearch(QWidget* owner);
bool ShowHelpTopic(QWidget* owner, const QString& topic);

// The help window when one is open (tests, and the end-to-end run).
HelpWindow* CurrentHelpWindow();

}  // namespace morv
