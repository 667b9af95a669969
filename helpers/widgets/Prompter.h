#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box of both programs goes through the current Prompter, so tests can answer
// them from a script instead of clicking a window.
namespace morv {

enum class PromptIcon { None, Information, Question, Exclamation, Critical };
enum class PromptButtons { OK, OKCancel, YesNo, YesNoCancel, YesYesToAllNoCancel };
enum class PromptAnswer { OK, Cancel, Yes, No, YesToAll };

struct Prompt {
    QString text;
    PromptButtons buttons = PromptButtons::OK;
    PromptIcon icon = PromptIcon::None;
    PromptAnswer defaultAnswer = PromptAnswer::OK;  // the button that Enter presses
    QString title;                                  // the program's title ("Morvane")
    // Captions for the buttons, in their order (Yes, No, Cancel), where the standard words would
    // not say what they do; empty for the standard ones.
    QStringList captions = {};
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual PromptAnswer Ask(QWidget* owner, const Prompt& prompt) = 0;
};

// The prompter in use: the QMessageBox one unless a test installed another.
Prompter& CurrentPrompter();
// Installs a prompter (not owned) or, with nullptr, the QMessageBox one again.
void SetPrompter(Prompter* prompter);

// Shorthands for the common boxes.
PromptAnswer Ask(QWidget* owner, const QString& text, PromptButtons buttons, PromptIcon icon,
                 PromptAnswer defaultAnswer, const QString& title);
void ShowMessage(QWidget* owner, const QString& text, PromptIcon icon, const QString& title);

// Shows QMessageBox with the buttons, icon, default button and title of the prompt.
class MessageBoxPrompter : public Prompter {
  public:
    PromptAnswer Ask(QWidget* owner, const Prompt& prompt) override;
};

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

// Installs a prompter for the life of the object (tests).
class ScopedPrompter {
  public:
    explicit ScopedPrompter(Prompter* prompter) { SetPrompter(prompter); }
    ~ScopedPrompter() { SetPrompter(nullptr); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;
};

}  // namespace morv
