#include "tests/support/WidgetFakes.h"

namespace morv {

PromptAnswer ScriptedPrompter::Ask(QWidget*, const Prompt& prompt) {
    asked_.append(prompt);
    if (answers_.isEmpty()) {
        ++unexpected_;
        return prompt.defaultAnswer;
    }
    return answers_.takeFirst();
}

QStringList ScriptedPrompter::texts() const {
    QStringList list;
    for (const Prompt& prompt : asked_)
        list.append(prompt.text);
    return list;
}

QStringList ScriptedFileDialogs::Next(const DialogCall& call) {
    calls_.append(call);
    return answers_.isEmpty() ? QStringList() : answers_.takeFirst();
}

QString ScriptedFileDialogs::First(const DialogCall& call) {
    const QStringList answer = Next(call);
    return answer.isEmpty() ? QString() : answer.constFirst();
}

QString ScriptedFileDialogs::OpenFile(QWidget*, const QString& nameFilters,
                                      const QString& initialFolder, const QString& title,
                                      const QString&) {
    return First({"open", title, initialFolder, nameFilters});
}

QString ScriptedFileDialogs::SaveFile(QWidget*, const QString& nameFilters, const QString&,
                                      const QString& initialFolder, const QString& title,
                                      const QString&) {
    return First({"save", title, initialFolder, nameFilters});
}

QStringList ScriptedFileDialogs::OpenFiles(QWidget*, const QString& nameFilters,
                                           const QString& title, const QString& initialFolder) {
    return Next({"files", title, initialFolder, nameFilters});
}

QString ScriptedFileDialogs::Folder(QWidget*, const QString& title, const QString& initialFolder) {
    return First({"folder", title, initialFolder, QString()});
}

bool ScriptedPrintDialogs::Next(QPrinter& printer) {
    if (answers_.isEmpty()) return false;
    Answer answer = answers_.takeFirst();
    return answer ? answer(printer) : false;
}

bool ScriptedPrintDialogs::PageSetup(QWidget*, QPrinter& printer) {
    ++pageSetupCalls_;
    return Next(printer);
}

bool ScriptedPrintDialogs::Print(QWidget*, QPrinter& printer, bool hasSelection) {
    ++printCalls_;
    lastHadSelection_ = hasSelection;
    return Next(printer);
}

}  // namespace morv
