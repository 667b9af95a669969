#pragma once

#include <QDialog>

#include <string>

#include "linkcheck/core/LinkUpdate.h"

class QLabel;
class QTreeWidget;

namespace morv::renamer {

// The details of a batch's links: every page with each reference as it is and as the batch writes
// it, and the references that are listed, not rewritten, with the reason. Pages are shown below
// the site folder.
class frmLinks : public QDialog {
    Q_OBJECT
  public:
    frmLinks(QWidget* owner, const LinkUpdatePlan& plan, const std::string& siteFolder, bool onTop);

  private:
    QLabel* lblLinks_ = nullptr;
    QTreeWidget* lstLinks_ = nullptr;
    QLabel* lblUnsafe_ = nullptr;
    QTreeWidget* lstUnsafe_ = nullptr;
};

// "12 references in 5 pages will change; 2 cannot be rewritten (listed in Details)."
QString LinkPreviewText(const LinkUpdatePlan& plan, bool done);

}  // namespace morv::renamer
