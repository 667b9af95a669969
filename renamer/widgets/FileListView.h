#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace morv::renamer {

// The renamer's file list: two columns, never sorted, full-row selection, and it takes files
// dropped from the desktop's file manager (local paths, folders included: the window skips them).
class FileListView : public QTreeWidget {
    Q_OBJECT
  public:
    explicit FileListView(QWidget* parent = nullptr);

  signals:
    void pathsDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace morv::renamer
