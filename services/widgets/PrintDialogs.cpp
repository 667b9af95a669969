#include "services/widgets/PrintDialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include <memory>

namespace morv {

namespace {

QtPrintDialogs gQtPrintDialogs;
PrintDialogs* gPrintDialogs = &gQtPrintDialogs;
std::unique_ptr<QPrinter> gPrinter;

}  // namespace

bool QtPrintDialogs::PageSetup(QWidget* owner, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("dlgPageSetup"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrintDialogs::Print(QWidget* owner, QPrinter& printer, bool hasSelection) {
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    return dialog.exec() == QDialog::Accepted;
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

PrintDialogs& CurrentPrintDialogs() {
    return *gPrintDialogs;
}

void SetPrintDialogs(PrintDialogs* dialogs) {
    gPrintDialogs = dialogs != nullptr ? dialogs : &gQtPrintDialogs;
}

QPrinter& DocumentPrinter() {
    if (!gPrinter) gPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *gPrinter;
}

void ResetDocumentPrinter() {
    gPrinter.reset();
}

bool ShowPageSetup(QWidget* owner) {
    return CurrentPrintDialogs().PageSetup(owner, DocumentPrinter());
}

bool ShowPrintDialog(QWidget* owner, bool hasSelection) {
    QPrinter& printer = DocumentPrinter();
    // Each print starts from the whole text or the selection; the page range is asked anew.
    printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    return CurrentPrintDialogs().Print(owner, printer, hasSelection);
}

}  // namespace morv
