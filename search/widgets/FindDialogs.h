#pragma once

#include <optional>
#include <string>

#include <QDialog>
#include <QPointer>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morv {

class frmMain;
class frmFind;
class frmReplace;

// The state the Find and Replace dialogs share with the main window: the last text found and
// which dialogs are loaded. One per main window, a child of it named "SearchState".
class SearchState : public QObject {
    Q_OBJECT
  public:
    explicit SearchState(frmMain& main);

    frmMain& Main() const { return main_; }

    QString LastFindText;  // the text of the last successful search; empty after a failed one
    bool FindOpen = false;
    bool ReplaceOpen = false;
    QPointer<frmFind> Find;
    QPointer<frmReplace> Replace;

  private:
    frmMain& main_;
};

// The search state of a main window, made on first use.
SearchState& SearchStateOf(frmMain& main);

// Shows frmFind / frmReplace modeless, owned by the main window, or brings the one already
// loaded to the front. The menu commands close both dialogs first (CloseFindReplace).
frmFind* ShowFindDialog(frmMain& main);
frmReplace* ShowReplaceDialog(frmMain& main);

// Unloads the Find and the Replace dialog when they are loaded.
void CloseFindReplace(frmMain& main);

// Search > Find Next: searches for the last text found from one character after the caret,
// ignoring case and word boundaries; opens the Find dialog when there is no such text.
void FindNext(frmMain& main);

// Fills the main window's find, findNext, replace and closeFindReplace commands.
void InstallSearchCommands(frmMain& main);

// What the two dialogs have in common: the text sought, the two option boxes and the buttons.
class SearchDialog : public QDialog {
    Q_OBJECT
  public:
    QLineEdit* Text1() const { return text1_; }

  protected:
    SearchDialog(SearchState& state, const QString& caption, bool replaceMode);
    ~SearchDialog() override;

    int Flags() const;  // kFindWholeWord and kFindMatchCase as ticked
    // Find Next: selects the next match after the caret, or says notFound in a message box
    // (an empty text box only takes the focus).
    void FindFromCaretOrSay(const QString& notFound);
    // The replacement text in the document's encoding; says so and returns nothing when the
    // text box is empty or the encoding cannot hold the replacement.
    std::optional<std::string> ReplacementOrSay();
    // Unloading: the open flag is cleared once, whichever way the dialog goes.
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;
    virtual void Unloading() = 0;

    SearchState& State() const { return *state_; }
    bool HasState() const { return !state_.isNull(); }
    frmMain& Main() const { return main_; }

    QPointer<SearchState> state_;
    frmMain& main_;
    QLineEdit* text1_ = nullptr;
    QCheckBox* chkMatchCase_ = nullptr;
    QCheckBox* chkWholeWord_ = nullptr;
    QPushButton* cmdFind_ = nullptr;
    QPushButton* cmdReplace_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QLineEdit* text2_ = nullptr;            // frmReplace only
    QPushButton* cmdReplaceAll_ = nullptr;  // frmReplace only
    bool unloaded_ = false;
};

class frmFind : public SearchDialog {
    Q_OBJECT
  public:
    explicit frmFind(SearchState& state);

    void cmdFind_Click();
    void cmdReplace_Click();

  protected:
    void Unloading() override;
};

class frmReplace : public SearchDialog {
    Q_OBJECT
  public:
    explicit frmReplace(SearchState& state);

    void cmdFind_Click();
    void cmdReplace_Click();
    void cmdReplaceAll_Click();
    // Takes the text and options over from the Find dialog.
    void TakeOver(const QString& text, bool wholeWord, bool matchCase);

  protected:
    void Unloading() override;
};

}  // namespace morv
