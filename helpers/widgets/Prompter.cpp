#include "helpers/widgets/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "helpers/widgets/Hooks.h"

namespace morv {

namespace {

MessageBoxPrompter gMessageBoxPrompter;

QMessageBox::StandardButton ToStandard(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::OK:
            return QMessageBox::Ok;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
        case PromptAnswer::YesToAll:
            return QMessageBox::YesToAll;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons ButtonsOf(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::OK:
            return QMessageBox::Ok;
        case PromptButtons::OKCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::YesYesToAllNoCancel:
            return QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::None:
            return QMessageBox::NoIcon;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The answer that closing the box with Esc or its close button stands for.
PromptAnswer EscapeAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::OK:
            return PromptAnswer::OK;
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        default:
            return PromptAnswer::Cancel;
    }
}

// The answer of the button at index of a set, in the order the set names them.
PromptAnswer AnswerAt(PromptButtons buttons, int index) {
    static const QList<PromptAnswer> kOk{PromptAnswer::OK},
        kOkCancel{PromptAnswer::OK, PromptAnswer::Cancel},
        kYesNo{PromptAnswer::Yes, PromptAnswer::No},
        kYesNoCancel{PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Cancel},
        kAll{PromptAnswer::Yes, PromptAnswer::YesToAll, PromptAnswer::No, PromptAnswer::Cancel};
    const QList<PromptAnswer>* set = &kOk;
    switch (buttons) {
        case PromptButtons::OK:
            break;
        case PromptButtons::OKCancel:
            set = &kOkCancel;
            break;
        case PromptButtons::YesNo:
            set = &kYesNo;
            break;
        case PromptButtons::YesNoCancel:
            set = &kYesNoCancel;
            break;
        case PromptButtons::YesYesToAllNoCancel:
            set = &kAll;
            break;
    }
    return set->value(index, PromptAnswer::Cancel);
}

}  // namespace

Prompter& CurrentPrompter() {
    Prompter* hooked = Hooks().prompter;
    return hooked != nullptr ? *hooked : gMessageBoxPrompter;
}

PromptAnswer Ask(QWidget* owner, const QString& text, PromptButtons buttons, PromptIcon icon,
                 PromptAnswer defaultAnswer, const QString& title) {
    return CurrentPrompter().Ask(owner, Prompt{text, buttons, icon, defaultAnswer, title});
}

void ShowMessage(QWidget* owner, const QString& text, PromptIcon icon, const QString& title) {
    CurrentPrompter().Ask(owner, Prompt{text, PromptButtons::OK, icon, PromptAnswer::OK, title});
}

PromptAnswer MessageBoxPrompter::Ask(QWidget* owner, const Prompt& prompt) {
    QMessageBox box(IconOf(prompt.icon), prompt.title, prompt.text, ButtonsOf(prompt.buttons),
                    owner);
    box.setObjectName("MessageBox");
    box.setDefaultButton(ToStandard(prompt.defaultAnswer));
    box.setEscapeButton(ToStandard(EscapeAnswer(prompt.buttons)));
    const QList<QAbstractButton*> buttons = box.buttons();
    for (int i = 0; i < prompt.captions.size(); ++i) {
        // The box's own order is the platform's; the captions follow the order of the answers.
        for (QAbstractButton* button : buttons) {
            if (box.standardButton(button) == ToStandard(AnswerAt(prompt.buttons, i)))
                button->setText(prompt.captions[i]);
        }
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::OK;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::YesToAll:
            return PromptAnswer::YesToAll;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return EscapeAnswer(prompt.buttons);
    }
}

}  // namespace morv
