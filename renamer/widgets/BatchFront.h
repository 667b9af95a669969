#pragma once

#include <QString>

#include <string>
#include <vector>

#include "renamer/core/BatchOperation.h"
#include "renamer/core/BatchRecovery.h"
#include "renamer/core/SiteBatch.h"

class QWidget;

// The window's front of the batch file operation: the questions go through the Prompter (Yes,
// Yes to All, No, Cancel before replacing a file; Yes, No before creating a folder) and a
// progress window without file names, with a Cancel button, shows while it runs. A stop signal
// (SIGINT, SIGTERM, SIGHUP) stops it like Cancel. Batches are journaled, so that a crash can be
// put right and the last batches undone.
namespace morv::renamer {

// The pointer as an arrow while a question or message shows inside a busy command, and the busy
// pointer again afterwards.
class ArrowWhileAsking {
  public:
    ArrowWhileAsking();
    ~ArrowWhileAsking();
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;
};

// The links of a site that the batch would break, looked for under a progress window with
// Cancel (a user interrupt).
Result<LinkUpdatePlan> PlanLinksWithWindow(QWidget* owner, BatchMode mode,
                                           const std::vector<BatchItem>& items,
                                           const SiteLinks& site);
// The batch, with the pages of links (empty: none).
SiteBatchResult RunSiteBatchWithWindow(QWidget* owner, BatchMode mode,
                                       const std::vector<BatchItem>& items,
                                       const LinkUpdatePlan& links);
SettleReport RecoverWithWindow(QWidget* owner, const JournalState& state, RecoverWay way);
SettleReport UndoWithWindow(QWidget* owner, const JournalState& state);

// The question texts, for the tests.
QString ReplaceQuestionText(const ReplaceQuestion& question);
QString CreateFolderQuestionText(const std::string& folder);

}  // namespace morv::renamer
