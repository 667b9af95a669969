#include "services/widgets/PrintDialogs.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>

#include <memory>
#include <optional>

#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

QtPrintDialogs gQtPrintDialogs;
std::unique_ptr<QPrinter> gPrinter;
std::optional<QPageLayout> gPageLayout;  // nothing chosen yet: the printer's own

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
void ApplyPageLayout(QPrinter& printer) {
    if (!gPageLayout || printer.setPageLayout(*gPageLayout)) return;
    printer.setPageOrientation(gPageLayout->orientation());
    printer.setPageMargins(gPageLayout->margins(), gPageLayout->units());
}

}  // namespace

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
    if (!gPrinter) gPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *gPrinter;
}

void ResetDocumentPrinter() {
    gPrinter.reset();
    gPageLayout.reset();
}

bool ShowPageSetup(QWidget* owner) {
    QPrinter& printer = DocumentPrinter();
    ApplyPageLayout(printer);
    if (!CurrentPrintDialogs().PageSetup(owner, printer)) return false;
    gPageLayout = printer.pageLayout();
    return true;
}

bool ShowPrintDialog(QWidget* owner, bool hasSelection) {
    QPrinter& printer = DocumentPrinter();
    ApplyPageLayout(printer);
    // Each print starts from the whole text or the selection; the page range is asked anew.
    printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    if (!CurrentPrintDialogs().Print(owner, printer, hasSelection)) return false;
    gPageLayout = printer.pageLayout();
    return true;
}

}  // namespace morv
