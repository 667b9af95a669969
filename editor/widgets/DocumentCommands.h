#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <string_view>

#include "helpers/core/Result.h"

// The document commands of the File menu (and Insert File of the Actions menu), and the help
// commands, as free functions over the main window. InstallDocumentCommands and
// InstallHelpCommands fill the window's command hooks with them.
namespace morv {

class frmMain;

// The filter of every document dialog.
inline const QString kDocumentFilter =
    QStringLiteral("Text Documents (*.txt)|*.txt|All Files (*.*)|*.*");

// Asks about unsaved changes: true lets the caller discard the text (also after Yes when the
// user then cancelled the Save As dialog), false after Cancel or when the save failed.
bool QuerySaveChanges(frmMain& window);

void FileNew(frmMain& window);
void FileOpen(frmMain& window);
void FileReopen(frmMain& window);
// Saved; Cancelled: the user cancelled the Save As dialog; Failed: the text was not written (the
// failure was shown) or the user declined to save it in another encoding.
enum class SaveOutcome { Saved, Cancelled, Failed };
SaveOutcome FileSave(frmMain& window);
SaveOutcome FileSaveAs(frmMain& window);
void FileNewWindow(frmMain& window);
void FileOpenNewWindow(frmMain& window);
void FileReopenNewWindow(frmMain& window);
void InsertFile(frmMain& window);
void FilePageSetup(frmMain& window);
void FilePrint(frmMain& window);

// Removes every node of the sections tree (nothing happens to an empty tree).
void ClearSectionsTree(frmMain& window);

// Starts a program without waiting (or what WidgetHooks::startProgram does instead); returns 0
// or an errno value.
int StartProgram(const QString& program, const QStringList& arguments);

// The document commands and the edit and format commands (EditCommands.h).
void InstallDocumentCommands(frmMain& window);
void InstallHelpCommands(frmMain& window);

}  // namespace morv
