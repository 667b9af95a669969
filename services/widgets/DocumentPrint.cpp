#include "services/widgets/DocumentPrint.h"

#include <Qsci/qsciscintillabase.h>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <vector>

#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

using Sci = QsciScintillaBase;

Error PrintError(const QString& text) {
    return Error{0, "mPrintDialog::PrintDocument", ToStd(text)};
}

QString PrinterDescription(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty()) return printer.outputFileName();
    return printer.printerName().isEmpty() ? QStringLiteral("the printer") : printer.printerName();
}

// Lays [from, to) out on pages of the area given and returns where each page starts. The
// component measures with the painter's device, so the pages are the printer's own.
std::vector<long> PageStarts(Sci& editor, QPainter& painter, const QRect& area, long from,
                             long to) {
    std::vector<long> starts{from};
    long at = from;
    while (at < to) {
        const long next = editor.SendScintilla(Sci::SCI_FORMATRANGE, 0UL, &painter, area, at, to);
        if (next <= at || next >= to) break;
        starts.push_back(next);
        at = next;
    }
    return starts;
}

}  // namespace

Status PrintEditor(QsciScintillaBase& editor, QPrinter& printer) {
    long from = 0;
    long to = editor.SendScintilla(Sci::SCI_GETLENGTH);
    const long selectionStart = editor.SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long selectionEnd = editor.SendScintilla(Sci::SCI_GETSELECTIONEND);
    if (printer.printRange() == QPrinter::Selection && selectionEnd > selectionStart) {
        from = selectionStart;
        to = selectionEnd;
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintError(QStringLiteral("Unable to print on ") + PrinterDescription(printer));

    // Black text on white paper, whatever the screen's colours; formatting colours are kept.
    editor.SendScintilla(Sci::SCI_SETPRINTCOLOURMODE, long(Sci::SC_PRINT_COLOURONWHITE));
    editor.SendScintilla(Sci::SCI_SETPRINTWRAPMODE, long(Sci::SC_WRAP_WORD));
    editor.SendScintilla(Sci::SCI_SETPRINTMAGNIFICATION, 0L);
    // The paper's printable area as the page setup left it (paper size, orientation, margins).
    const QRect area(QPoint(0, 0),
                     printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const std::vector<long> starts = PageStarts(editor, painter, area, from, to);
    const int pageCount = int(starts.size());

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
        const long start = starts[size_t(page - 1)];
        if (start < to) editor.SendScintilla(Sci::SCI_FORMATRANGE, 1UL, &painter, area, start, to);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintError(QStringLiteral("The printing on ") + PrinterDescription(printer) +
                          QStringLiteral(" failed"));
    return Ok();
}

}  // namespace morv
