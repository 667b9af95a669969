#pragma once

#include <QFont>
#include <QString>

#include "helpers/core/Result.h"

class QPrinter;
class QWidget;

// Page setup and the print dialog. The program keeps the page layout (paper, orientation,
// margins) last confirmed in either dialog for the rest of its run: it goes onto the printer
// before each dialog opens, so Page Setup shows it again and the print dialog and the next print
// start from it. The printer itself keeps the other choices (printer, pages, copies), and
// printing (DocumentPrint.h) follows them all.
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

}  // namespace morv
