#pragma once

#include <QFont>
#include <QString>

#include "helpers/core/Result.h"

class QPlainTextEdit;
class QPrinter;
class QTextDocument;
class QWidget;

// Page setup, the print dialog and printing of the editor's text. The program keeps the page
// layout (paper, orientation, margins) last confirmed in either dialog for the rest of its run:
// it goes onto the printer before each dialog opens, so Page Setup shows it again and the print
// dialog and the next print start from it. The printer itself keeps the other choices (printer,
// pages, copies).
namespace morv {

// The dialogs, reached through an injectable object so tests can answer them
// (WidgetHooks::printDialogs).
class PrintDialogs {
  public:
    virtual ~PrintDialogs() = default;
    virtual bool PageSetup(QWidget* owner, QPrinter& printer) = 0;
    virtual bool Print(QWidget* owner, QPrinter& printer, bool hasSelection) = 0;
};

class QtPrintDialogs : public PrintDialogs {
  public:
    bool PageSetup(QWidget* owner, QPrinter& printer) override;
    bool Print(QWidget* owner, QPrinter& printer, bool hasSelection) override;
};

PrintDialogs& CurrentPrintDialogs();  // the Qt dialogs unless the hooks name others

// The program's printer with the choices made so far.
QPrinter& DocumentPrinter();
// Forgets every choice (tests).
void ResetDocumentPrinter();

// True when the user confirmed the dialog; the page layout is kept, the other choices stay on
// DocumentPrinter().
bool ShowPageSetup(QWidget* owner);
// hasSelection offers "Selection" as the range and preselects it.
bool ShowPrintDialog(QWidget* owner, bool hasSelection = false);

// Prints doc with font as its base font on printer, following its page range, copies, page
// order and page layout. Fails with a description when the printer cannot be opened or reports
// an error, or when the chosen pages are not in the document.
Status PrintDocument(const QTextDocument& doc, const QFont& font, QPrinter& printer);

// Prints the editor's text, with its formatting: only the selection when the printer's range is
// "Selection" and the editor has one, else the whole text.
Status PrintEditor(const QPlainTextEdit& editor, QPrinter& printer);

}  // namespace morv
