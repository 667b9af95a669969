#pragma once

#include <QString>

namespace morv {

// The program-wide state of one morv process.
struct AppState {
    QString DocumentFile;           // path of the document; empty while untitled
    bool DocumentModified = false;  // the text changed since the last load, save or New
    // Stop request of long operations: true at rest; an operation clears it when it starts,
    // polls it after letting window events run, and sets it again when it ends.
    bool StopRequest = true;
    QString LastPath;  // the folder the next file dialog starts in
};

inline const QString kAppTitle = QStringLiteral("Morvane");

}  // namespace morv
