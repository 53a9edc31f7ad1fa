#include "CallListPrint.h"
#include "ListSheet.h"
#include "RecallListPrint.h"
#include "PrintFixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Page objects of a PDF written by Qt (each is a dictionary of /Type /Page); -1 when there is none.
int pdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return bytes.startsWith("%PDF") ? int(QString::fromLatin1(bytes).count(page)) : -1;
}

} // namespace

TEST_F(PrintTest, thePrintCommandNamesTheJobAndAsksForDuplexOnlyForTheTwoPageWeek)
{
    QTemporaryDir dir;
    PrintService::answerNextPrintToPdf(dir.filePath("week.pdf"));
    PrintService::print(nullptr, store, PrintLayout::WeekTwoPages, true);
    PrintService::answerNextPrintToPdf(dir.filePath("day.pdf"));
    PrintService::print(nullptr, store, PrintLayout::Day, false);

    const QList<PrintService::StartedJob> jobs = PrintService::takeStartedJobs();
    ASSERT_EQ(jobs.size(), 2);
    EXPECT_EQ(jobs[0].title, QStringLiteral("Appuntamenti – Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(jobs[0].requestedDuplex, QPrinter::DuplexShortSide);
    EXPECT_EQ(jobs[0].pageLayout.pageSize().id(), QPageSize::A4);
    EXPECT_EQ(jobs[0].pageLayout.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(jobs[0].pageLayout.margins(QPageLayout::Point), QMarginsF(20, 20, 20, 20));
    EXPECT_EQ(jobs[1].title, QStringLiteral("Appuntamenti – Mercoledì 4 dicembre 2024"));
    EXPECT_EQ(jobs[1].requestedDuplex, QPrinter::DuplexNone);

    // A page range is honoured; a range past the end and a cancelled job write nothing.
    PrintService::answerNextPrintToPdf(dir.filePath("back.pdf"), 2, 2);
    PrintService::print(nullptr, store, PrintLayout::WeekTwoPages, true);
    PrintService::answerNextPrintToPdf(dir.filePath("none.pdf"), 3, 4);
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    PrintService::answerNextPrintCancelled();
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    EXPECT_EQ(pdfPageCount(dir.filePath("back.pdf")), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"back.pdf", "day.pdf", "week.pdf"}));
}

TEST_F(PrintTest, eachLayoutWritesItsPdfAndCopiesTheSystemCannotMakeAreExtraSheets)
{
    QTemporaryDir dir;
    for (const auto& [layout, pages] :
         {std::pair{PrintLayout::WeekOnePage, 1}, {PrintLayout::WeekTwoPages, 2}, {PrintLayout::Day, 1}}) {
        const QString path = dir.filePath(PrintService::pdfFileName(layout));
        ASSERT_TRUE(PrintService::writePdf(store, layout, path));
        EXPECT_EQ(pdfPageCount(path), pages);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    EXPECT_FALSE(PrintService::writePdf(store, PrintLayout::Day, dir.filePath("missing/folder/day.pdf")));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("copies.pdf"));
    ASSERT_TRUE(PrintService::makePrintInfo(true).applyTo(printer));
    printer.setCopyCount(3);
    ASSERT_FALSE(printer.supportsMultipleCopies());
    PrintService::renderJob(printer, view(PrintLayout::WeekTwoPages));
    EXPECT_EQ(pdfPageCount(dir.filePath("copies.pdf")), 6);
}

// Empty grids would look like a free week: a week that cannot be read is not printed, and the alert says why.
TEST_F(PrintTest, aWeekThatCannotBeReadIsNotPrinted)
{
    book(1, "2024-12-02", 600, 30, "Mario Rossi");
    db.execute("ALTER TABLE appointments RENAME TO elsewhere");
    QTemporaryDir dir;
    PrintService::answerNextPrintToPdf(dir.filePath("week.pdf"));
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    EXPECT_TRUE(PrintService::takeStartedJobs().isEmpty());
    ASSERT_TRUE(store.alertMessage());
    EXPECT_TRUE(store.alertMessage()->startsWith(QStringLiteral("Impossibile stampare.\nErrore nella lettura")));
    EXPECT_FALSE(PrintService::writePdf(store, PrintLayout::Day, dir.filePath("day.pdf")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// The confirmation list's call sheet: one line per call, as many A4 pages as the lines need, one when
// there is nothing to call.
TEST(CallListPrintTest, theCallSheetTakesAsManyPagesAsItsLines)
{
    QTemporaryDir dir;
    CallListPrint::Sheet sheet{QStringLiteral("Da confermare – giovedì 5 dicembre 2024"), {}};
    ASSERT_TRUE(CallListPrint::writePdf(sheet, dir.filePath("none.pdf")));
    EXPECT_EQ(pdfPageCount(dir.filePath("none.pdf")), 1);
    for (int i = 0; i < 80; ++i)
        sheet.lines.append({QStringLiteral("09:00"), QStringLiteral("Paziente %1").arg(i), QStringLiteral("333 1234567"),
                            QStringLiteral("Dentista 1"), i % 3});
    ASSERT_TRUE(CallListPrint::writePdf(sheet, dir.filePath("calls.pdf")));
    EXPECT_EQ(pdfPageCount(dir.filePath("calls.pdf")), CallListPrint::pageCount(sheet));
    EXPECT_GT(CallListPrint::pageCount(sheet), 1);
    EXPECT_LT(CallListPrint::pageCount(sheet), 80 / 20 + 1); // at least twenty lines a page
    EXPECT_FALSE(CallListPrint::writePdf(sheet, dir.filePath("missing/calls.pdf")));
}

TEST(RecallListPrintTest, theRecallSheetIsTitledByItsMonthAndTakesAsManyPagesAsItsLines)
{
    QTemporaryDir dir;
    RecallListPrint::Sheet sheet{QDate(2027, 6, 15), {}};
    EXPECT_EQ(RecallListPrint::listSheet(sheet).title, "Richiami – giugno 2027");
    for (int i = 0; i < 120; ++i) {
        Recall r;
        r.patient = QStringLiteral("Paziente %1").arg(i);
        r.phone = QStringLiteral("333 1234567");
        r.kind = QStringLiteral("Igiene");
        r.due = QDate(2027, 6, 1).addDays(i % 30);
        r.lastVisit = QDate(2026, 12, 1);
        r.attempts = i % 3;
        sheet.recalls.append(r);
    }
    ASSERT_TRUE(RecallListPrint::writePdf(sheet, dir.filePath("recalls.pdf")));
    EXPECT_EQ(pdfPageCount(dir.filePath("recalls.pdf")), RecallListPrint::pageCount(sheet));
    EXPECT_GT(RecallListPrint::pageCount(sheet), 120 / 40); // one line each, so several sheets
    EXPECT_LE(RecallListPrint::pageCount(sheet), 120 / 20 + 1);
}
