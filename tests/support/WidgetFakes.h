#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/Prompter.h"
#include "services/widgets/PrintDialogs.h"

// Stand-ins for the user at the dialogs, and shorthands that put one of them in force through
// the widget hooks for a scope.
namespace morv {

// Intervals that let events run and progress show at every step of a long operation.
inline constexpr PollThrottle::Intervals kPollAtEveryStep{0, 0, 0, 0};

// Answers from a list, in order, and records every prompt. When the list runs out it answers
// with the prompt's default and counts the prompt as unexpected.
class ScriptedPrompter : public Prompter {
  public:
    explicit ScriptedPrompter(QList<PromptAnswer> answers = {}) : answers_(std::move(answers)) {}
    PromptAnswer Ask(QWidget* owner, const Prompt& prompt) override;

    void Push(PromptAnswer answer) { answers_.append(answer); }
    const QList<Prompt>& asked() const { return asked_; }
    QStringList texts() const;
    int unexpected() const { return unexpected_; }
    void clear() { asked_.clear(), answers_.clear(), unexpected_ = 0; }

  private:
    QList<PromptAnswer> answers_;
    QList<Prompt> asked_;
    int unexpected_ = 0;
};

// One recorded call of the scripted file dialogs.
struct DialogCall {
    QString kind;  // "open", "save", "files" or "folder"
    QString title;
    QString initialFolder;
    QString nameFilters;
};

// Answers each dialog with the next list of paths (an empty list is a cancel) and records the
// calls. Runs out: cancels.
class ScriptedFileDialogs : public FileDialogs {
  public:
    void Push(QStringList answer) { answers_.append(std::move(answer)); }
    void Push(const QString& answer) { answers_.append(QStringList{answer}); }
    const QList<DialogCall>& calls() const { return calls_; }

    QString OpenFile(QWidget*, const QString& nameFilters, const QString& initialFolder,
                     const QString& title, const QString&) override;
    QString SaveFile(QWidget*, const QString& nameFilters, const QString&,
                     const QString& initialFolder, const QString& title, const QString&) override;
    QStringList OpenFiles(QWidget*, const QString& nameFilters, const QString& title,
                          const QString& initialFolder) override;
    QString Folder(QWidget*, const QString& title, const QString& initialFolder) override;

  private:
    QString First(const DialogCall& call);
    QStringList Next(const DialogCall& call);
    QList<QStringList> answers_;
    QList<DialogCall> calls_;
};

// Answers each printing dialog with the next function, which plays the user's choices on the
// printer and returns true for OK. Runs out: cancels.
class ScriptedPrintDialogs : public PrintDialogs {
  public:
    using Answer = std::function<bool(QPrinter&)>;
    void Push(Answer answer) { answers_.append(std::move(answer)); }
    bool PageSetup(QWidget* owner, QPrinter& printer) override;
    bool Print(QWidget* owner, QPrinter& printer, bool hasSelection) override;
    int pageSetupCalls() const { return pageSetupCalls_; }
    int printCalls() const { return printCalls_; }
    bool lastHadSelection() const { return lastHadSelection_; }

  private:
    bool Next(QPrinter& printer);
    QList<Answer> answers_;
    int pageSetupCalls_ = 0;
    int printCalls_ = 0;
    bool lastHadSelection_ = false;
};

// One stand-in in force for a scope.
class ScopedPrompter : public ScopedHooks {
  public:
    explicit ScopedPrompter(Prompter* prompter) : ScopedHooks({.prompter = prompter}) {}
};

class ScopedFileDialogs : public ScopedHooks {
  public:
    explicit ScopedFileDialogs(FileDialogs* dialogs) : ScopedHooks({.fileDialogs = dialogs}) {}
};

class ScopedPrintDialogs : public ScopedHooks {
  public:
    explicit ScopedPrintDialogs(PrintDialogs* dialogs) : ScopedHooks({.printDialogs = dialogs}) {}
};

}  // namespace morv
