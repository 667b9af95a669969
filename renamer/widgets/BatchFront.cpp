#include "renamer/widgets/BatchFront.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/StopSignals.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "renamer/widgets/RenamerText.h"

namespace morv::renamer {

namespace {

QString Describe(int64_t size, std::time_t modified) {
    if (size < 0) return QStringLiteral("its file is missing");
    QLocale locale;
    return QStringLiteral("%1, modified %2")
        .arg(
            locale.formattedDataSize(size),
            locale.toString(QDateTime::fromSecsSinceEpoch(qint64(modified)), QLocale::ShortFormat));
}

class PrompterQuestions : public BatchQuestions {
  public:
    explicit PrompterQuestions(QWidget* owner) : owner_(owner) {}

    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override {
        ArrowWhileAsking arrow;
        switch (Ask(owner_, ReplaceQuestionText(question), PromptButtons::YesYesToAllNoCancel,
                    PromptIcon::Question, PromptAnswer::No, kAppTitle)) {
            case PromptAnswer::Yes:
                return ReplaceAnswer::Yes;
            case PromptAnswer::YesToAll:
                return ReplaceAnswer::YesToAll;
            case PromptAnswer::No:
                return ReplaceAnswer::No;
            default:
                return ReplaceAnswer::Cancel;
        }
    }

    bool AskCreateFolder(const std::string& folder) override {
        ArrowWhileAsking arrow;
        return Ask(owner_, CreateFolderQuestionText(folder), PromptButtons::YesNo,
                   PromptIcon::Question, PromptAnswer::Yes, kAppTitle) == PromptAnswer::Yes;
    }

  private:
    QWidget* owner_;
};

// A progress window with a bar and Cancel, no file names. It appears only when the batch takes
// a moment; the event pump paces the events and the bar, as for every long operation.
class ProgressWindow : public ProgressObserver {
  public:
    ProgressWindow(QWidget* owner, QString label) : owner_(owner), label_(std::move(label)) {}
    ~ProgressWindow() override { delete dialog_; }

    void SetMax(long max) override {
        if (dialog_ == nullptr) {
            dialog_ = new QProgressDialog(owner_);
            dialog_->setObjectName("frmProgress");
            dialog_->setWindowTitle(QStringLiteral("Progress"));
            dialog_->setLabelText(label_);
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setMinimumDuration(500);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
        }
        dialog_->setRange(0, int(max));
        max_ = max;
    }

    void SetValue(long value) override {
        value_ = value;
        if (value >= max_) Show();  // the end shows at once
    }

    bool ShouldStop() override {
        const PollThrottle::Decision step = EventPump::Step();
        if (step.showProgress) Show();
        if (step.runEvents) EventPump::RunNow();
        return dialog_ != nullptr && dialog_->wasCanceled();
    }

  private:
    // The value told last; the window itself appears once the minimum duration has passed.
    void Show() {
        if (dialog_ != nullptr && value_ >= 0 && dialog_->value() != int(value_))
            dialog_->setValue(int(value_));
    }

    QWidget* owner_;
    QString label_;
    QPointer<QProgressDialog> dialog_;
    long max_ = 0, value_ = -1;
};

}  // namespace

ArrowWhileAsking::ArrowWhileAsking() {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
}

ArrowWhileAsking::~ArrowWhileAsking() {
    QApplication::restoreOverrideCursor();
}

QString ReplaceQuestionText(const ReplaceQuestion& question) {
    const QString existing =
        question.targetIsLink
            ? QStringLiteral("There is already a symbolic link named '%1' in '%2', to '%3' (%4).")
                  .arg(PathToQString(GetFileName(question.target)),
                       PathToQString(GetFolderName(question.target, false)),
                       PathToQString(question.linkTarget),
                       Describe(question.targetSize, question.targetModified))
            : QStringLiteral("There is already a file named '%1' in '%2' (%3).")
                  .arg(PathToQString(GetFileName(question.target)),
                       PathToQString(GetFolderName(question.target, false)),
                       Describe(question.targetSize, question.targetModified));
    return existing + QStringLiteral("\n\nDo you want to replace it with '%1' (%2)?")
                          .arg(PathToQString(question.source),
                               Describe(question.sourceSize, question.sourceModified));
}

QString CreateFolderQuestionText(const std::string& folder) {
    return QStringLiteral("The folder '%1' does not exist.\n\nDo you want to create it?")
        .arg(PathToQString(folder));
}

Result<LinkUpdatePlan> PlanLinksWithWindow(QWidget* owner, BatchMode mode,
                                           const std::vector<BatchItem>& items,
                                           const SiteLinks& site) {
    ProgressWindow progress(owner, QStringLiteral("Looking for links to the files..."));
    SignalStopObserver stop(progress);
    return PlanSiteLinks(mode, items, site, stop);
}

SiteBatchResult RunSiteBatchWithWindow(QWidget* owner, BatchMode mode,
                                       const std::vector<BatchItem>& items,
                                       const LinkUpdatePlan& links) {
    PrompterQuestions questions(owner);
    ProgressWindow progress(owner, mode == BatchMode::Move ? QStringLiteral("Renaming files...")
                                                           : QStringLiteral("Copying files..."));
    SignalStopObserver stop(progress);
    return RunSiteBatch(JournalFolder(), mode, items, links, questions, stop);
}

SettleReport RecoverWithWindow(QWidget* owner, const JournalState& state, RecoverWay way) {
    ProgressWindow progress(owner, way == RecoverWay::TurnBack
                                       ? QStringLiteral("Turning the batch back...")
                                       : QStringLiteral("Finishing the batch..."));
    SignalStopObserver stop(progress);
    return RecoverBatch(state, way, stop);
}

SettleReport UndoWithWindow(QWidget* owner, const JournalState& state) {
    ProgressWindow progress(owner, QStringLiteral("Undoing the last batch..."));
    SignalStopObserver stop(progress);
    return UndoBatch(state, false, stop);
}

}  // namespace morv::renamer
