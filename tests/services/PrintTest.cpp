#include <gtest/gtest.h>

#include <Qsci/qsciscintillabase.h>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "services/widgets/DocumentPrint.h"
#include "services/widgets/PrintDialogs.h"
#include "tests/support/WidgetFakes.h"

namespace morv {
namespace {

QString RunTool(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(30000)) return QStringLiteral("<%1 did not run>").arg(tool);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString PdfText(const QString& pdf) {
    return RunTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

int PdfPages(const QString& pdf) {
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(RunTool(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The left edge (points) of the first word on the first page.
double FirstWordLeft(const QString& pdf) {
    const auto match = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\""))
                           .match(RunTool(QStringLiteral("pdftotext"),
                                          {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

class PrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pdf_ = dir_.filePath(QStringLiteral("out.pdf"));
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << QStringLiteral("L%1 text").arg(i, 3, 10, QLatin1Char('0'));
        editor_.SendScintilla(QsciScintillaBase::SCI_SETCODEPAGE,
                              long(QsciScintillaBase::SC_CP_UTF8));
        editor_.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL,
                              lines.join(QLatin1Char('\n')).toUtf8().constData());
    }

    // A print dialog answer: the PDF printer, then the user's further choices, then OK.
    ScriptedPrintDialogs::Answer ToPdf(std::function<void(QPrinter&)> choices = {}) {
        return [this, choices](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf_);
            if (choices) choices(printer);
            return true;
        };
    }
    void Select(long from, long length) {
        editor_.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(from),
                              from + length);
    }
    bool HasSelection() const {
        return editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND) >
               editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    }

    QTemporaryDir dir_;
    QString pdf_;
    QsciScintillaBase editor_;
    ScriptedPrintDialogs dialogs_;
    ScopedPrintDialogs scoped_{&dialogs_};
};

TEST_F(PrintTest, WholeTextOrSelectionAsTheDialogLeavesIt) {
    struct Row {
        const char* name;
        int selectFrom, selectLength;  // length 0: no selection
        std::function<void(QPrinter&)> choices;
        QStringList present, absent;
        int pages;  // -1: more than one
    };
    const Row rows[] = {
        {"whole text", 0, 0, {}, {"L001 text", "L200 text"}, {}, -1},
        {"selection only", 10, 9, {}, {"L002 text"}, {"L001", "L003"}, 1},
        {"user widened the range to all pages",
         10,
         9,
         [](QPrinter& p) { p.setPrintRange(QPrinter::AllPages); },
         {"L001 text", "L200 text"},
         {},
         -1},
        {"page two only",
         0,
         0,
         [](QPrinter& p) {
             p.setPrintRange(QPrinter::PageRange);
             p.setPageRanges(QPageRanges::fromString(QStringLiteral("2")));
         },
         {"text"},
         {"L001", "L200"},
         1},
    };
    for (const Row& row : rows) {
        QFile::remove(pdf_);
        Select(row.selectFrom, row.selectLength);
        dialogs_.Push(ToPdf(row.choices));
        const bool hasSelection = HasSelection();
        ASSERT_TRUE(ShowPrintDialog(nullptr, hasSelection)) << row.name;
        EXPECT_EQ(dialogs_.lastHadSelection(), hasSelection) << row.name;
        const Status printed = PrintEditor(editor_, DocumentPrinter());
        ASSERT_TRUE(printed.ok()) << row.name << ": " << printed.error().description;
        const QString text = PdfText(pdf_);
        for (const QString& s : row.present)
            EXPECT_TRUE(text.contains(s)) << row.name << " " << s.toStdString();
        for (const QString& s : row.absent)
            EXPECT_FALSE(text.contains(s)) << row.name << " " << s.toStdString();
        if (row.pages > 0)
            EXPECT_EQ(PdfPages(pdf_), row.pages) << row.name;
        else
            EXPECT_GT(PdfPages(pdf_), 1) << row.name;
    }
}

// The real page setup dialog, played by a function once it shows; the print dialog scripted.
class RealPageSetup : public ScriptedPrintDialogs {
  public:
    std::function<void(QDialog&)> play;
    bool PageSetup(QWidget* owner, QPrinter& printer) override {
        QTimer::singleShot(0, [this] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == "dlgPageSetup" && window->isVisible())
                    play(*static_cast<QDialog*>(window));
        });
        return QtPrintDialogs().PageSetup(owner, printer);
    }
};

TEST_F(PrintTest, PageSetupChoicesShapeTheNextPrintAndShowAgain) {
    struct Row {
        const char* name;
        const char* paper;
        double leftMm;
        bool screenReader;     // chosen through accessibility actions, not clicks
        const char* pageSize;  // what pdfinfo reads, in points
    };
    const Row rows[] = {
        {"clicked", "A5", 40, false, "595 x 420"},
        {"through a screen reader", "A4", 25, true, "842 x 595"},
    };
    for (const Row& row : rows) {
        RealPageSetup dialogs;
        ScopedPrintDialogs use(&dialogs);
        auto inMillimetres = [](QDialog& d) {
            auto* units = d.findChild<QComboBox*>("unitCombo");
            units->setCurrentIndex(units->findData(QVariant::fromValue(QPageLayout::Millimeter)));
            return d.findChild<QDoubleSpinBox*>("leftMargin");
        };
        dialogs.play = [&](QDialog& d) {
            auto* paper = d.findChild<QComboBox*>("pageSizeCombo");
            paper->setCurrentIndex(paper->findText(row.paper));
            auto* landscape = d.findChild<QRadioButton*>("landscape");
            QDoubleSpinBox* left = inMillimetres(d);
            if (row.screenReader) {
                QAccessible::queryAccessibleInterface(landscape)->actionInterface()->doAction(
                    QAccessibleActionInterface::toggleAction());
                QAccessible::queryAccessibleInterface(left)->valueInterface()->setCurrentValue(
                    row.leftMm);
            } else {
                landscape->click();
                left->setValue(row.leftMm);
            }
            d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        };
        ASSERT_TRUE(ShowPageSetup(nullptr)) << row.name;

        // A print dialog cancelled after the printer's paper changed under it loses nothing.
        dialogs.Push([](QPrinter& printer) {
            printer.setPageLayout(
                QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, {}));
            return false;
        });
        ASSERT_FALSE(ShowPrintDialog(nullptr)) << row.name;
        dialogs.Push(ToPdf());
        ASSERT_TRUE(ShowPrintDialog(nullptr)) << row.name;
        ASSERT_TRUE(PrintEditor(editor_, DocumentPrinter()).ok()) << row.name;

        const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf_});
        EXPECT_TRUE(info.contains(QRegularExpression(
            QStringLiteral("Page size:\\s+") + QString(row.pageSize).replace(" ", "(\\.\\d+)? "))))
            << row.name << "\n"
            << info.toStdString();
        const double left = row.leftMm / 25.4 * 72;
        EXPECT_GE(FirstWordLeft(pdf_), left - 1) << row.name;
        EXPECT_LT(FirstWordLeft(pdf_), left + 20) << row.name;

        // Page Setup opens again on the same choices.
        QString shown;
        dialogs.play = [&](QDialog& d) {
            shown = QStringLiteral("%1 %2 %3")
                        .arg(d.findChild<QComboBox*>("pageSizeCombo")->currentText())
                        .arg(d.findChild<QRadioButton*>("landscape")->isChecked())
                        .arg(inMillimetres(d)->value());
            d.reject();
        };
        EXPECT_FALSE(ShowPageSetup(nullptr)) << row.name;
        EXPECT_EQ(shown, QStringLiteral("%1 1 %2").arg(row.paper).arg(row.leftMm)) << row.name;
    }
}

TEST_F(PrintTest, CancelledDialogsPrintNothing) {
    EXPECT_FALSE(ShowPageSetup(nullptr));
    EXPECT_FALSE(ShowPrintDialog(nullptr));
    dialogs_.Push([](QPrinter&) { return false; });
    EXPECT_FALSE(ShowPrintDialog(nullptr));
    EXPECT_EQ(dialogs_.printCalls(), 2);
    EXPECT_EQ(dialogs_.pageSetupCalls(), 1);
    EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(PrintTest, FailuresAreReportedNotHidden) {
    struct Row {
        const char* name;
        std::function<void(QPrinter&)> choices;
        const char* description;
    };
    const Row rows[] = {
        {"output folder missing",
         [this](QPrinter& p) {
             p.setOutputFileName(dir_.filePath(QStringLiteral("no/such/x.pdf")));
         },
         "Unable to print on "},
        {"pages beyond the end",
         [](QPrinter& p) {
             p.setPrintRange(QPrinter::PageRange);
             p.setPageRanges(QPageRanges::fromString(QStringLiteral("90-99")));
         },
         "The pages chosen are not in the document"},
    };
    for (const Row& row : rows) {
        dialogs_.Push(ToPdf(row.choices));
        ASSERT_TRUE(ShowPrintDialog(nullptr)) << row.name;
        const Status printed = PrintEditor(editor_, DocumentPrinter());
        ASSERT_FALSE(printed.ok()) << row.name;
        EXPECT_EQ(printed.error().description.rfind(row.description, 0), 0u)
            << row.name << ": " << printed.error().description;
    }
}

}  // namespace
}  // namespace morv
