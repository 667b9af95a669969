#pragma once

#include <QDialog>
#include <QString>

namespace morv::renamer {

// Opens the desktop file manager's properties sheet of a file over D-Bus
// (org.freedesktop.FileManager1.ShowItemProperties) or, where no file manager offers it, a small
// properties window of our own, owned by owner and kept above it. Failures are ignored.
void ShowFileProperties(QWidget* owner, const QString& path);

// The properties window of our own: name, folder, type, size, dates, permissions, owner.
class FilePropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    FilePropertiesDialog(QWidget* owner, const QString& path);
};

// Whether the desktop's file manager answers on the session bus (tests turn it off).
void SetFileManagerPropertiesEnabled(bool enabled);

}  // namespace morv::renamer
