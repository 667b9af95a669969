#pragma once

#include <QDialog>
#include <QString>

namespace morv::renamer {

// Opens the desktop file manager's properties sheet of a file over D-Bus
// (org.freedesktop.FileManager1.ShowItemProperties; WidgetHooks::showFileProperties stands in for
// it) or, where no file manager offers it, a small properties window of our own, owned by owner
// and kept above it. Failures are ignored.
void ShowFileProperties(QWidget* owner, const QString& path);

// The properties window of our own: name, folder, type, size, dates, permissions, owner.
class FilePropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    FilePropertiesDialog(QWidget* owner, const QString& path);
};

}  // namespace morv::renamer
