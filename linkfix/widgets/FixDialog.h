#pragma once

#include <QDialog>

#include "linkfix/core/FixLinks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morv {

class frmMain;

// The root a first use offers.
inline constexpr const char* kDefaultFixRoot = "http://www.example.org";

// The Fix Relative Links dialog: the site's root, the current path, the part of the document to
// work on and where the caret goes afterwards. Root, path and caret choice are kept in the
// [Fix] section of morv.ini, written whenever the dialog closes. OK checks the input and runs
// FixRelativeLinks; the dialog is hidden during the run and closed by it.
class frmFix : public QDialog {
    Q_OBJECT
  public:
    explicit frmFix(frmMain& main);
    ~frmFix() override;

    QLineEdit* txtRoot() const { return txtRoot_; }
    QLineEdit* txtPath() const { return txtPath_; }
    QComboBox* Combo1() const { return combo1_; }  // scope
    QComboBox* Combo2() const { return combo2_; }  // caret afterwards

    // The choices of the two lists. With no caret choice (a stored "Goto" of -1) the caret stays
    // where the scan stopped, as with "Last Fixed Position".
    FixScope Scope() const;
    FixCaret Caret() const;
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QPushButton* cmdHelp() const { return cmdHelp_; }

    // Closes the dialog and stores its settings; the end of every use, including a run's.
    void Unload();

  public slots:
    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LoadFixSettings();
    void SaveFixSettings();
    void cmdOK_Click();
    void cmdHelp_Click();

    frmMain& main_;
    bool unloaded_ = false;
    QLineEdit* txtRoot_;
    QLineEdit* txtPath_;
    QComboBox* combo1_;
    QComboBox* combo2_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
};

// Actions > Fix Relative Links: shows the dialog modally.
void ShowFixDialog(frmMain& main);

}  // namespace morv
