#include "services/widgets/PrintDialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>
#include <optional>

#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

QtPrintDialogs gQtPrintDialogs;
std::unique_ptr<QPrinter> gPrinter;
std::optional<QPageLayout> gPageLayout;  // nothing chosen yet: the printer's own

Error PrintError(const QString& text) {
    return Error{0, "mPrintDialog::PrintDocument", ToStd(text)};
}

QString PrinterDescription(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty()) return printer.outputFileName();
    return printer.printerName().isEmpty() ? QStringLiteral("the printer") : printer.printerName();
}

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

Status PrintDocument(const QTextDocument& source, const QFont& font, QPrinter& printer) {
    std::unique_ptr<QTextDocument> doc(source.clone());
    doc->setDefaultFont(font);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintError(QStringLiteral("Unable to print on ") + PrinterDescription(printer));

    // Lay the text out in the printer's own units, on the paper's printable area as the page
    // setup left it (paper size, orientation and margins).
    doc->documentLayout()->setPaintDevice(&printer);
    const QRectF body(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    doc->setPageSize(body.size());
    const int pageCount = doc->pageCount();

    QList<int> pages;
    const QPageRanges ranges = printer.pageRanges();
    for (int page = 1; page <= pageCount; ++page) {
        if (printer.printRange() != QPrinter::PageRange || ranges.isEmpty() ||
            ranges.contains(page))
            pages.append(page);
    }
    if (pages.isEmpty()) {
        painter.end();
        return PrintError(QStringLiteral("The pages chosen are not in the document (it has ") +
                          QString::number(pageCount) + QStringLiteral(" pages)"));
    }
    if (printer.pageOrder() == QPrinter::LastPageFirst) std::reverse(pages.begin(), pages.end());

    // The printer makes the copies itself when it can; otherwise each copy is printed here.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    QList<int> sequence;
    for (int c = 0; c < (collate ? copies : 1); ++c)
        for (int page : pages)
            for (int k = 0; k < (collate ? 1 : copies); ++k)
                sequence.append(page);

    bool first = true;
    for (int page : sequence) {
        if (!first && !printer.newPage()) {
            painter.end();
            return PrintError(QStringLiteral("Unable to start a new page on ") +
                              PrinterDescription(printer));
        }
        first = false;
        painter.save();
        const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
        painter.translate(0, -view.top());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        painter.setClipRect(view);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintError(QStringLiteral("The printing on ") + PrinterDescription(printer) +
                          QStringLiteral(" failed"));
    return Ok();
}

Status PrintEditor(const QPlainTextEdit& editor, QPrinter& printer) {
    const QTextCursor cursor = editor.textCursor();
    if (printer.printRange() == QPrinter::Selection && cursor.hasSelection()) {
        QTextDocument selection;
        QTextCursor(&selection).insertFragment(cursor.selection());
        return PrintDocument(selection, editor.font(), printer);
    }
    return PrintDocument(*editor.document(), editor.font(), printer);
}

}  // namespace morv
