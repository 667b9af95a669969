#pragma once

#include <QDialog>

namespace morv::renamer {

// "Trellin Help": the five steps of a renaming, in fixed text, with an OK button.
class frmHelp : public QDialog {
    Q_OBJECT
  public:
    explicit frmHelp(QWidget* owner, bool onTop);
};

}  // namespace morv::renamer
