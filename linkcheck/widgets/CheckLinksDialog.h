#pragma once

#include <QDialog>

#include "linkcheck/core/LinkCheck.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace morv {

class frmMain;

// The Check Links dialog: the site folder (with Browse), the site's own addresses, the index
// document names and whether to list orphans. The choices are kept in the [CheckLinks] section
// of morv.ini, written whenever the dialog closes. Check validates them, asks about unsaved
// changes and runs RunCheckLinks; the dialog is hidden during the run and closed by it.
class frmCheckLinks : public QDialog {
    Q_OBJECT
  public:
    explicit frmCheckLinks(frmMain& main);
    ~frmCheckLinks() override;

    QLineEdit* txtFolder() const { return txtFolder_; }
    QPushButton* cmdBrowse() const { return cmdBrowse_; }
    QLineEdit* txtAddresses() const { return txtAddresses_; }
    QLineEdit* txtIndex() const { return txtIndex_; }
    QCheckBox* chkOrphans() const { return chkOrphans_; }
    QPushButton* cmdCheck() const { return cmdCheck_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QPushButton* cmdHelp() const { return cmdHelp_; }

    // The check the dialog's choices ask for.
    LinkCheckOptions Options() const;

    // Closes the dialog and stores its settings; the end of every use, including a run's.
    void Unload();

  public slots:
    void done(int result) override;

  private:
    void LoadCheckLinksSettings();
    void SaveCheckLinksSettings();
    void cmdBrowse_Click();
    void cmdCheck_Click();

    frmMain& main_;
    bool unloaded_ = false;
    QLineEdit* txtFolder_;
    QPushButton* cmdBrowse_;
    QLineEdit* txtAddresses_;
    QLineEdit* txtIndex_;
    QCheckBox* chkOrphans_;
    QPushButton* cmdCheck_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
};

// Actions > Check Links: shows the dialog modally.
void ShowCheckLinksDialog(frmMain& main);

// The run behind the dialog's Check: hides the dialog, covers the editor, shows the progress
// window over the disabled main window, checks the site and puts the report in place of the
// document (which becomes untitled), as an extraction does; then restores every window and
// closes the dialog. A failure is told in a message box; Cancel in the progress window stops
// the run silently and leaves the document as it was.
void RunCheckLinks(frmMain& main, frmCheckLinks& dialog);

// Fills the main window's Check Links command.
void InstallLinkcheckCommands(frmMain& main);

}  // namespace morv
