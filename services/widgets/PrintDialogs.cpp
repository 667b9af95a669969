#include "services/widgets/PrintDialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

QtPrintDialogs gQtPrintDialogs;
PrintDialogs* gPrintDialogs = &gQtPrintDialogs;
std::unique_ptr<QPrinter> gPrinter;

Error PrintError(const QString& text) {
    return Error{0, "mPrintDialog::PrintDocument", ToStd(text)};
}

QString PrinterDescription(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty()) return printer.outputFileName();
    return printer.printerName().isEmpty() ? QStringLiteral("the printer") : printer.printerName();
}

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
