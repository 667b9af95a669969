#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box of both programs goes through the current Prompter, so tests can answer
// them from a script instead of clicking a window (WidgetHooks::prompter).
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

// The prompter in use: the QMessageBox one unless the hooks name another.
Prompter& CurrentPrompter();

// Shorthands for the common boxes.
PromptAnswer Ask(QWidget* owner, const QString& text, PromptButtons buttons, PromptIcon icon,
                 PromptAnswer defaultAnswer, const QString& title);
void ShowMessage(QWidget* owner, const QString& text, PromptIcon icon, const QString& title);

// Shows QMessageBox with the buttons, icon, default button and title of the prompt.
class MessageBoxPrompter : public Prompter {
  public:
    PromptAnswer Ask(QWidget* owner, const Prompt& prompt) override;
};

}  // namespace morv
