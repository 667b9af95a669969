#pragma once

#include <QStringList>

#include <functional>
#include <optional>

#include "helpers/core/Progress.h"

class QFont;
class QUrl;
class QWidget;

// The places where the widgets meet the world outside the program, gathered in one struct: the
// message boxes, the file, font and printing dialogs, the desktop's handler of documents and
// links, the start of other programs, the folders of the shipped files, and the steps of long
// operations. A member left empty means
// the real thing. Tests fill the members they need for one scope (ScopedHooks), so that a
// scripted prompter answers the questions or a run stops at a chosen step.
namespace morv {

class FileDialogs;
class PrintDialogs;
class Prompter;

// Every member has an initializer, so that a scope names only the ones it sets.
struct WidgetHooks {
    Prompter* prompter = nullptr;          // every message box
    FileDialogs* fileDialogs = nullptr;    // open, save, select files, browse for a folder
    PrintDialogs* printDialogs = nullptr;  // page setup and print, and the choices made there
    // The font dialog: gets the preset font and returns true with the chosen one.
    std::function<bool(QWidget* owner, const QFont& preset, QFont& chosen)> chooseFont{};
    // Hands a document or link to the desktop (QDesktopServices::openUrl).
    std::function<bool(const QUrl&)> openUrl{};
    // Starts a program without waiting; returns 0 or an errno value.
    std::function<int(const QString& program, const QStringList& arguments)> startProgram{};
    // Shows the desktop file manager's properties sheet of a file; false when none did (the
    // program shows its own then). Empty: the file manager over D-Bus.
    std::function<bool(const QString& path)> showFileProperties{};
    // The folders searched for the shipped files (ShippedFileFolders).
    QStringList shippedFileFolders{};
    // Runs at the start of every step of a long operation (EventPump).
    std::function<void()> eachStep{};
    // The event pump's intervals; zeros let events run and progress show at every step.
    std::optional<PollThrottle::Intervals> pollIntervals{};
    // Holds every operation with a progress window at this step, events running, until it is
    // stopped (0: never). Test builds take it from MORV_TEST_HOLD_PROGRESS, so that end-to-end
    // tests can read the window meanwhile.
    long holdProgressAtStep = 0;
};

// The hooks in force.
const WidgetHooks& Hooks();

// Puts the non-empty members of hooks in force for its lifetime, over those already in force,
// and restores those when it ends. Scopes nest; end them in the reverse order.
class ScopedHooks {
  public:
    explicit ScopedHooks(WidgetHooks hooks);
    ~ScopedHooks();
    ScopedHooks(const ScopedHooks&) = delete;
    ScopedHooks& operator=(const ScopedHooks&) = delete;

  private:
    WidgetHooks previous_;
};

}  // namespace morv
