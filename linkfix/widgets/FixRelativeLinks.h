#pragma once

namespace morv {

class frmFix;
class frmMain;

// The run behind the dialog's OK: hides the dialog, covers the editor, shows the progress window
// over the disabled main window, fixes the links of the chosen part of the document as one undo
// step, places the caret, and restores every window, closing the dialog (which stores its
// settings). A report without link sections and a failure are told in a message box; a stop from
// the progress window's Cancel is silent and keeps the lines fixed so far.
void FixRelativeLinks(frmMain& main, frmFix& dialog);

// Fills the main window's Fix Relative Links command.
void InstallLinkfixCommands(frmMain& main);

}  // namespace morv
