#pragma once

#include <QFont>
#include <QString>

#include <functional>

class QWidget;

// The commands of the Edit menu (also the editor's context menu) and of the Format menu, as free
// functions over the main window, and the font dialog.
namespace morv {

class DocumentEditor;
class frmMain;

void EditUndo(frmMain& window);
void EditCut(frmMain& window);
void EditCopy(frmMain& window);
void EditPaste(frmMain& window);
void EditDelete(frmMain& window);
void EditClear(frmMain& window);
void EditSelectAll(frmMain& window);
void FormatWordWrap(frmMain& window);
void FormatFont(frmMain& window);

// Replaces the editor's selection with the clipboard's content in one undoable edit. Text with
// formatting (HTML on the clipboard) keeps its character formatting on screen; saving writes
// only its characters.
void PasteClipboard(DocumentEditor* editor);

// The editor key press that triggered Undo or Paste was carried out by the editor itself: the
// command then does nothing, so one key press acts once. Set by a Ctrl+Z or Ctrl+V (exactly
// Ctrl) typed into the editor, cleared by every Undo and Paste and when that key press is over.
bool& EditorKeyHandled(frmMain& window);

// The font chooser: name and size (whole points) preset the dialog (the name cut to 31
// characters) and receive the choice when it returns true; the chosen size in tenths of a point
// is rounded to a whole point, halves to the even neighbour. The dialog is Qt's unless
// WidgetHooks::chooseFont stands in for it.
bool ShowFontDialog(QWidget* owner, QString& name, int& size);

// A point size given in tenths, rounded to a whole point with halves to the even neighbour.
int RoundPointSize(int tenths);

void InstallEditCommands(frmMain& window);

}  // namespace morv
