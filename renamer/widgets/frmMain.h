#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

#include <vector>

#include "linkcheck/core/LinkUpdate.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/NameTemplate.h"
#include "renamer/core/RenamerSettings.h"
#include "renamer/core/SiteBatch.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;
class QTreeWidgetItem;

namespace morv::renamer {

class FileListView;

// "Trellin", the renamer's main window: the file list, the template and start fields, the
// options, the command buttons, and a side panel with an image preview. Its size is fixed: two
// widths (with or without the side panel) and two heights (with or without the "Save in:" row of
// copy mode).
class frmMain : public QWidget {
    Q_OBJECT
  public:
    // settingsFile: the trelo.ini that LoadSettings reads and closing the window writes.
    explicit frmMain(QString settingsFile, QWidget* parent = nullptr);
    ~frmMain() override;

    void LoadSettings();
    void SaveSettings();

    // The list commands.
    void AddFiles();
    void DropFiles(const QStringList& paths);
    void RemoveFile();
    void ClearFiles();
    void MoveFileUp();
    void MoveFileDown();
    // Undo Last Batch: the toolbar's "undo" button, and Ctrl+Z outside the text fields.
    void UndoLastBatch();
    // Asks what to do with a batch that a crash stopped part way, and does it; true when no such
    // batch is left (a new batch may start).
    bool OfferRecovery();
    // SIGINT, SIGTERM and SIGHUP: a running batch stops; otherwise the window closes.
    void WatchStopSignals();
    void ShowImagePreview(QTreeWidgetItem* item);
    void SetCopyMode(bool copy);
    void SetPanelVisible(bool visible);
    void SetOnTop(bool onTop);
    void SetBusy(bool busy);

    // The buttons.
    void RenameButton();
    void PreviewButton();
    void HelpButton();
    void BrowseButton();
    // "Update links in site folder:": its Browse button, and the details of the last look.
    void SetUpdateLinks(bool on);
    void BrowseSiteButton();
    void LinkDetailsButton();

    // Enables "Properties" of the pop-up menu for the point of the list (viewport coordinates).
    void PreparePopList(const QPoint& pos);

    // The list as entries, in display order.
    std::vector<FileEntry> Entries() const;
    bool IsBusy() const { return busy_ > 0; }

    // Twips of this window's screen as pixels and back.
    int TwipsToPixels(int twips) const;
    int PixelsToTwips(int pixels) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void CreateActions();
    // The full paths of the list, and an entry appended unless its path is among them (letter
    // case counts, as on the file system); true when added.
    QSet<QString> ListedPaths() const;
    bool AddEntry(const QString& path, QSet<QString>& listed);
    // Runs the template over the list; the error, if any, is the caller's to show.
    Status ShowPreview();
    void RenameFiles();
    void CopyFiles();
    void RunBatch(BatchMode mode, const QString& destination);
    // After a batch, recovery or undo: a stop signal is reported; true when it also closes the
    // window (SIGTERM, SIGHUP).
    bool ClosingForStopSignal(const std::string& outcome);
    // The "Save in:" folder as a full path: a relative one is taken from the files' folder.
    QString CopyDestination(const QString& typed) const;
    // The site whose links are kept; none when the option is off.
    SiteLinks Site() const;
    // Looks for the links the batch would break and shows how many; false when that failed (and
    // was said) or was cancelled.
    bool PlanLinks(BatchMode mode, const std::vector<BatchItem>& items);
    void ShowLinkCount(const QString& text);
    void ClearImage();
    void ApplySize();

    QString settingsFile_;
    int busy_ = 0;
    bool batchRunning_ = false;  // a batch, recovery or undo: it sees a stop signal itself
    bool wide_ = false;
    bool copyMode_ = false;

    QWidget* content_ = nullptr;  // every control; disabled while busy
    QToolBar* Toolbar1_ = nullptr;
    FileListView* ListView1_ = nullptr;
    QLineEdit* txtTemplate_ = nullptr;
    QLineEdit* txtStart_ = nullptr;
    QCheckBox* chkForce_ = nullptr;
    QCheckBox* chkRemove_ = nullptr;
    QCheckBox* chkCopy_ = nullptr;
    QLineEdit* txtDest_ = nullptr;
    QPushButton* cmdBrowse_ = nullptr;
    QPushButton* cmdRename_ = nullptr;
    QPushButton* cmdPreview_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QCheckBox* chkOnTop_ = nullptr;
    QCheckBox* chkLinks_ = nullptr;
    QLineEdit* txtSite_ = nullptr;
    QPushButton* cmdSiteBrowse_ = nullptr;
    QLineEdit* txtSiteAddresses_ = nullptr;
    QLabel* lblLinkCount_ = nullptr;
    QPushButton* cmdLinks_ = nullptr;
    LinkUpdatePlan links_;     // of the last preview or batch
    std::string linksFolder_;  // the site folder links_ was made for
    QGroupBox* Frame1_ = nullptr;
    QLabel* Image1_ = nullptr;
    QLabel* Image2_ = nullptr;
    QLabel* lblAbout_ = nullptr;
    QMenu* mnuPopList_ = nullptr;
    QAction* mnuPopListProperties_ = nullptr;
    QAction* previewAction_ = nullptr;
};

}  // namespace morv::renamer
