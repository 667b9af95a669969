#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "extract/core/Report.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QToolBar;

namespace morv {

class LongOperation;
class frmMain;

// The Extract dialog: the list of files to extract from, the tag kinds and options, and the
// Extract button. Shown application-modal without blocking the caller; it unloads itself (and
// saves its check boxes in the "Extract" section of the settings file) when it is closed or
// when an extraction ends.
class frmExtract : public QDialog {
    Q_OBJECT
  public:
    explicit frmExtract(frmMain& main);
    ~frmExtract() override;

    QToolBar* Toolbar1() const { return toolbar_; }
    QListWidget* List1() const { return list1_; }
    QListWidget* List2() const { return list2_; }
    QCheckBox* chkTag(int index) const { return chkTag_[index]; }
    QCheckBox* chkOption(int index) const { return chkOption_[index]; }
    QPushButton* cmdExtract() const { return cmdExtract_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QPushButton* cmdHelp() const { return cmdHelp_; }
    QMenu* mnuPopTags() const { return mnuPopTags_; }

    void LoadExtractSettings();
    void SetExtractSettings();

    // Dispatches a toolbar key ("prev", "add", "remove", "clear", "load", "save", "scan").
    void Toolbar1ButtonClick(const QString& key);
    void LoadPreviousList();
    void AddExtractFiles();
    void RemoveSelectedFiles();
    void ClearFileList();
    void LoadFileList();
    void SaveFileList();
    void ScanFolders();

    void cmdExtract_Click();

    // The list's entries as bytes (paths exactly as added), in list order.
    std::vector<std::string> ListEntries() const;
    // Appends entries to List1 (List2 covers it meanwhile).
    void AppendEntries(const std::vector<std::string>& entries);
    ExtractOptions Options() const;

    // Saves the check boxes and destroys the dialog.
    void Unload();

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ReplaceEntries(const std::vector<std::string>& entries);
    void SetAllTags(bool ticked);
    void ShowTagsMenu(QCheckBox* box, const QPoint& at);
    void ShowFailure(const Error& error);

    frmMain& main_;
    bool unloading_ = false;
    QToolBar* toolbar_;
    QListWidget* list1_;
    QListWidget* list2_;
    QCheckBox* chkTag_[kTagKindCount];
    QCheckBox* chkOption_[3];
    QPushButton* cmdExtract_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
    QMenu* mnuPopTags_;
};

// The last-list file: morv.mrk beside the settings file.
QString LastListFile(frmMain& main);

// Shows the Extract dialog (the "extract" command). Returns the dialog, which lives until it is
// unloaded.
frmExtract* ShowExtractDialog(frmMain& main);

// The extraction started by the dialog's Extract button: hides the dialog, covers the editor,
// shows the progress window with the main window disabled, writes the report and loads it into
// the editor, then puts every window back, unloads the dialog and tells a failure.
void RunExtraction(frmMain& main, frmExtract& dialog);
// The run itself; returns why it failed (without the final period), or nothing when it was
// done or stopped.
QString ExtractTags(frmMain& main, frmExtract& dialog, LongOperation& operation);

// Fills the main window's "extract" command.
void InstallExtractCommands(frmMain& main);

}  // namespace morv
