#include "services/widgets/PrintDialogs.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>

#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

QtPrintDialogs gQtPrintDialogs;

// Qt's page setup, on its own and behind the print dialog's Properties button, takes the paper's
// orientation from the clicks on its orientation buttons. A screen reader's toggle action checks
// a button without clicking it: the dialog then showed the new orientation and dropped it on OK.
// While one of the dialogs runs, an orientation button that becomes checked counts as clicked
// (a real click then reports twice, which changes nothing).
class TogglesAreClicks : public QObject {
  public:
    explicit TogglesAreClicks(QWidget* dialog) : dialog_(dialog) {
        Attach(dialog);
        qApp->installEventFilter(this);  // for the windows the dialog opens later
    }
    ~TogglesAreClicks() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() && OpenedByDialog(watched))
            Attach(static_cast<QWidget*>(watched));
        return false;
    }

  private:
    bool OpenedByDialog(const QObject* window) const {
        for (const QObject* o = window; o != nullptr; o = o->parent())
            if (o == dialog_) return true;
        return false;
    }

    static bool InPageSetup(const QWidget* button) {
        for (const QWidget* w = button->parentWidget(); w != nullptr; w = w->parentWidget())
            if (qstrcmp(w->metaObject()->className(), "QPageSetupWidget") == 0) return true;
        return false;
    }

    static void Attach(QWidget* window) {
        static const char kAttached[] = "morvToggleIsClick";
        for (QRadioButton* button : window->findChildren<QRadioButton*>()) {
            if (button->property(kAttached).toBool() || !InPageSetup(button)) continue;
            button->setProperty(kAttached, true);
            QObject::connect(button, &QAbstractButton::toggled, button, [button](bool checked) {
                if (checked) emit button->clicked(true);
            });
        }
    }

    QWidget* dialog_;
};

// The kept page layout goes onto the printer before a dialog shows it. A printer that takes no
// such paper still gets the orientation and the margins.
void ApplyPageLayout(QPrinter& printer, const std::optional<QPageLayout>& layout) {
    if (!layout || printer.setPageLayout(*layout)) return;
    printer.setPageOrientation(layout->orientation());
    printer.setPageMargins(layout->margins(), layout->units());
}

}  // namespace

QPrinter& PrintDialogs::Printer() {
    if (!printer_) printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool QtPrintDialogs::PageSetup(QWidget* owner, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("dlgPageSetup"));
    TogglesAreClicks toggles(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrintDialogs::Print(QWidget* owner, QPrinter& printer, bool hasSelection) {
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    TogglesAreClicks toggles(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

PrintDialogs& CurrentPrintDialogs() {
    PrintDialogs* hooked = Hooks().printDialogs;
    return hooked != nullptr ? *hooked : gQtPrintDialogs;
}

QPrinter& DocumentPrinter() {
    return CurrentPrintDialogs().Printer();
}

bool ShowPageSetup(QWidget* owner) {
    PrintDialogs& dialogs = CurrentPrintDialogs();
    QPrinter& printer = dialogs.Printer();
    ApplyPageLayout(printer, dialogs.KeptPageLayout());
    if (!dialogs.PageSetup(owner, printer)) return false;
    dialogs.KeptPageLayout() = printer.pageLayout();
    return true;
}

bool ShowPrintDialog(QWidget* owner, bool hasSelection) {
    PrintDialogs& dialogs = CurrentPrintDialogs();
    QPrinter& printer = dialogs.Printer();
    ApplyPageLayout(printer, dialogs.KeptPageLayout());
    // Each print starts from the whole text or the selection; the page range is asked anew.
    printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    if (!dialogs.Print(owner, printer, hasSelection)) return false;
    dialogs.KeptPageLayout() = printer.pageLayout();
    return true;
}

}  // namespace morv
