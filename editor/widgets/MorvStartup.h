#pragma once

#include <functional>
#include <string>

namespace morv {

class frmMain;

// Start-up of morv: the application, the main window with its settings, the document named by
// the argument text. installCommands fills the command hooks of the subsystems before the window
// is shown. Returns the process's exit status.
int Main(int argc, char** argv, const std::function<void(frmMain&)>& installCommands);

// The start-up sequence on an existing window: settings, show, margins, the document.
void LoadMainWindow(frmMain& window, const std::string& argumentText);

}  // namespace morv
