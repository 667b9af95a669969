#pragma once

#include <QString>

#include <string>

// Loading documents into the main window's editor without freezing the window: the size
// question and refusals before a file is read, a progress window with Cancel while a large
// document fills the editor, and word wrap refused for lines too long to wrap.
namespace morv {

class frmMain;
class ProgressObserver;

enum class LoadResult {
    Done,      // loaded (or, for CheckFileSize, fine to read)
    Declined,  // the user said no or cancelled: nothing changed, nothing to report
    Failed,    // nothing changed; error says why
};

struct LoadReport {
    LoadResult result = LoadResult::Done;
    QString error;  // without the final period
};

// Before a file is read: asks about a file over the size limits, or refuses one the editor or
// the free memory cannot hold.
LoadReport CheckFileSize(frmMain& window, const QString& path);

// Replaces the editor's document with a document's bytes. Loads of the limits' progressAbove
// bytes and more show a progress window with Cancel, unless progress is given (an operation's
// own progress window). The editor is unchanged unless the result is Done. name is the
// document's name in messages.
LoadReport LoadDocumentBytes(frmMain& window, std::string bytes, const QString& name,
                             ProgressObserver* progress = nullptr);

// Whether the editor's document can be shown wrapped; otherwise why says why.
bool CanWrapDocument(frmMain& window, QString* why);

// After a load: for a document with a line too long to wrap, word wrap is turned off (with a
// message, when it was on) and the caret stops blinking.
void AdaptViewToDocument(frmMain& window);

}  // namespace morv
