#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>

#include <memory>
#include <optional>

#include "helpers/core/Result.h"

class QPrinter;
class QWidget;

// Page setup and the print dialog. The dialogs keep the page layout (paper, orientation,
// margins) last confirmed in either of them for the rest of the program's run: it goes onto the
// printer before each dialog opens, so Page Setup shows it again and the print dialog and the
// next print start from it. Their printer keeps the other choices (printer, pages, copies), and
// printing (DocumentPrint.h) follows them all.
namespace morv {

// The dialogs and the choices made in them, reached through an injectable object so tests can
// answer them and start from no choices (WidgetHooks::printDialogs).
class PrintDialogs {
  public:
    virtual ~PrintDialogs() = default;
    virtual bool PageSetup(QWidget* owner, QPrinter& printer) = 0;
    virtual bool Print(QWidget* owner, QPrinter& printer, bool hasSelection) = 0;

    // The printer with the choices made so far.
    QPrinter& Printer();
    // The page layout last confirmed; none yet: the printer's own.
    std::optional<QPageLayout>& KeptPageLayout() { return pageLayout_; }

  private:
    std::shared_ptr<QPrinter> printer_;  // shared: its deleter comes from where it is made
    std::optional<QPageLayout> pageLayout_;
};

class QtPrintDialogs : public PrintDialogs {
  public:
    bool PageSetup(QWidget* owner, QPrinter& printer) override;
    bool Print(QWidget* owner, QPrinter& printer, bool hasSelection) override;
};

PrintDialogs& CurrentPrintDialogs();  // the Qt dialogs unless the hooks name others

// The printer of the dialogs in force, with the choices made so far.
QPrinter& DocumentPrinter();

// True when the user confirmed the dialog; the page layout is kept, the other choices stay on
// DocumentPrinter().
bool ShowPageSetup(QWidget* owner);
// hasSelection offers "Selection" as the range and preselects it.
bool ShowPrintDialog(QWidget* owner, bool hasSelection = false);

}  // namespace morv
