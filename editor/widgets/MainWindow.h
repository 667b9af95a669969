#pragma once

#include <QMainWindow>

#include <utility>
#include <vector>

#include "editor/widgets/AppState.h"
#include "editor/widgets/DocumentLoad.h"
#include "editor/widgets/MainCommands.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace morv {

class DocumentEditor;

// The main window of morv: the editor, the sections pane, the toolbar, the status bar and the
// full menu. It owns the one document of the process; the subsystems act on it through the
// operations below and fill the command hooks of Commands().
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    // settingsFolder: where morv.ini lives (beside the program when writable).
    explicit frmMain(const QString& programFolder, const QString& settingsFolder,
                     QWidget* parent = nullptr);
    ~frmMain() override;

    DocumentEditor* Rich1() const { return rich1_; }
    QPlainTextEdit* Rich3() const { return rich3_; }
    QTreeWidget* TreeView1() const { return tree_; }
    QToolBar* Toolbar1() const { return toolbar_; }
    QWidget* picTree() const { return picTree_; }
    QWidget* picPad() const { return picPad_; }
    AppState& State() { return state_; }
    MainCommands& Commands() { return commands_; }

    QString ProgramFolder() const { return programFolder_; }
    QString SettingsFile() const;

    // Enables each menu item and toolbar button whose command hook is filled.
    void RefreshCommandStates();

    void SetStatusText(const QString& text);
    QString StatusText() const;
    void CoverEditor(bool cover);
    void ShowSectionsPane(bool show);
    bool IsSectionsPaneShown() const;
    void CloseFindReplace();
    // 0: no wrapping; 1: wrap at the editor's right edge. The text is not changed.
    void SetWordWrapMode(int mode);
    bool IsWordWrapOn() const;
    void WidenEditorMargins();
    void SetUntitledCaption();
    void SetDocumentCaption(const QString& path, bool readOnly);

    // A toolbar button's click, dispatched by its key; an unknown key does nothing.
    void Toolbar1ButtonClick(const QString& key);
    // The action behind the toolbar button with this key (matched exactly), or null.
    QAction* ToolbarAction(const QString& key) const;

    // Asks about unsaved changes; true lets the caller discard the text.
    bool QuerySaveChanges();

    // Loads the start-up document named by the command line's argument text (if any).
    void LoadStartupDocument(const QString& path);
    // Loads a file into the editor through the rich-text reader: RTF shown formatted, any other
    // file as text in its own encoding. Large files are asked about or refused first
    // (DocumentLoad.h); the editor is unchanged unless the result is Done.
    LoadReport LoadThroughReader(const QString& path);

    void LoadSettings();
    void SaveSettings();
    void RestoreDefaultSettings();

    // Actions > Rename Files: starts trelo from the program's folder.
    void StartRenamer();

    // The action of a command by its name: the menu item's ("mnuFileNew"), or the key of a
    // button that has no menu item ("pane", "tree"). Menu item and toolbar button share it.
    QAction* MenuAction(const char* name) const;
    using CommandHook = std::function<void()> MainCommands::*;

    // Twips <-> pixels on this screen.
    int TwipsToPixelsX(double twips) const;
    int TwipsToPixelsY(double twips) const;
    double PixelsToTwipsX(int pixels) const;
    double PixelsToTwipsY(int pixels) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolbar();
    static void SetToolTip(QAction* action, const QString& tooltip);
    void PaneButtonToggled(bool pressed);
    void CreateStatusBar();
    void CreatePanes();
    void InstallDefaultCommands();
    void LayoutPanes();
    void LayoutTreePane();
    void UpdateKeyIndicators();
    bool DefaultQuerySaveChanges();

    QString programFolder_;
    QString settingsFolder_;
    AppState state_;
    MainCommands commands_;

    DocumentEditor* rich1_ = nullptr;
    QPlainTextEdit* rich3_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QWidget* central_ = nullptr;
    QWidget* picTree_ = nullptr;
    QWidget* picPad_ = nullptr;
    QWidget* picRtf_ = nullptr;
    QLabel* lblTree_ = nullptr;
    QWidget* lineTree_[3] = {};
    QLabel* statusText_ = nullptr;
    QLabel* capsPanel_ = nullptr;
    QLabel* numPanel_ = nullptr;
    QLabel* insPanel_ = nullptr;
    QMenu* mnuEdit_ = nullptr;
    bool marginsWidened_ = false;
    int scrollBarHeight_ = 0;  // twips
    // The actions whose command hook sets their enabled state.
    std::vector<std::pair<QAction*, CommandHook>> hooked_;
};

}  // namespace morv
