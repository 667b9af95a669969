#pragma once

#include <Qt>

class QTreeWidgetItem;

namespace morv {

class ProgressObserver;
class frmMain;

// What each item of the sections tree carries besides its text.
inline constexpr int kNodeKeyRole = Qt::UserRole;        // QString: "root", path_offset or empty
inline constexpr int kNodeTagRole = Qt::UserRole + 1;    // QByteArray: a file node's path bytes
inline constexpr int kNodeImageRole = Qt::UserRole + 2;  // int: SectionImage

// The "tree" command: empties the tree and indexes the document in it, with the editor covered
// and a status text that says any key stops it.
void RetrieveSectionsTree(frmMain& main);
// Fills the (empty) tree from the document, one step per file; stops after the current file when
// steps says so (at any key press in the main window).
void BuildSectionsTree(frmMain& main, ProgressObserver& steps);
// A click on a node: moves the editor's caret or selection to the place the node stands for.
void NavigateToNode(frmMain& main, QTreeWidgetItem* node);

// Actions > Remove Section Attributes / Remove Empty-Lines, after an OK/Cancel confirmation.
// The document changes in one undoable step or, when anything fails, not at all.
void RemoveSectionAttributes(frmMain& main);
void RemoveEmptyLines(frmMain& main);

// Fills the main window's retrieveTree, navigateToNode, removeSections and
// removeEmpty commands.
void InstallSectionsCommands(frmMain& main);

}  // namespace morv
