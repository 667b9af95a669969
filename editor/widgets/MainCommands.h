#pragma once

#include <QString>

#include <functional>

class QTreeWidgetItem;

namespace morv {

// The commands behind the menus, the toolbar and the tree, one hook each. The subsystems fill
// the hooks they own (Install...Commands); a hook left empty disables its menu item and toolbar
// button.
struct MainCommands {
    // File
    std::function<void()> fileNew, fileOpen, fileReopen, fileSave, fileSaveAs, fileNewWindow,
        fileOpenNewWindow, fileReopenNewWindow, pageSetup, print;
    // Edit and Format
    std::function<void()> undo, cut, copy, paste, del, clear, selectAll, wordWrap, font;
    // Search
    std::function<void()> find, findNext, replace, closeFindReplace;
    // Actions
    std::function<void()> extract, fix, checkLinks, removeSections, removeEmpty, insertFile;
    // Sections pane
    std::function<void()> retrieveTree;
    std::function<void(QTreeWidgetItem*)> navigateToNode;
    // Help
    std::function<void()> helpContents, helpSearch, about;
    std::function<void(const QString&)> helpTopic;
    // Asked before the document is discarded; true lets the caller go on.
    std::function<bool()> querySaveChanges;
};

}  // namespace morv
