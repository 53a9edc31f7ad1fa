#include "PrintFixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Page objects of a PDF written by Qt (each is a dictionary of /Type /Page).
int pdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("%PDF"))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return int(QString::fromLatin1(bytes).count(page));
}

} // namespace

TEST_F(PrintTest, thePrintCommandNamesTheJobAndAsksForDuplexOnlyForTheTwoPageWeek)
{
    QTemporaryDir dir;
    const QString week = dir.filePath("week.pdf");
    const QString day = dir.filePath("day.pdf");
    PrintService::answerNextPrintToPdf(week);
    PrintService::print(nullptr, store, PrintLayout::WeekTwoPages, true);
    PrintService::answerNextPrintToPdf(day);
    PrintService::print(nullptr, store, PrintLayout::Day, false);

    const QList<PrintService::StartedJob> jobs = PrintService::takeStartedJobs();
    ASSERT_EQ(jobs.size(), 2);
    EXPECT_EQ(jobs[0].title, QStringLiteral("Appuntamenti – Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(jobs[0].requestedDuplex, QPrinter::DuplexShortSide);
    EXPECT_EQ(jobs[0].printerDuplex, QPrinter::DuplexNone); // Qt's PDF output is one-sided
    EXPECT_EQ(jobs[0].pageCount, 2);
    EXPECT_EQ(jobs[0].pageLayout.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(jobs[0].pageLayout.margins(QPageLayout::Point), QMarginsF(20, 20, 20, 20));
    EXPECT_EQ(jobs[1].title, QStringLiteral("Appuntamenti – Mercoledì 4 dicembre 2024"));
    EXPECT_EQ(jobs[1].requestedDuplex, QPrinter::DuplexNone);
    EXPECT_EQ(jobs[1].pageCount, 1);
    EXPECT_TRUE(PrintService::takeStartedJobs().isEmpty());

    EXPECT_EQ(pdfPageCount(week), 2);
    EXPECT_EQ(pdfPageCount(day), 1);
}

TEST_F(PrintTest, aPageRangeAndACancelledJobAreHonoured)
{
    QTemporaryDir dir;
    const QString back = dir.filePath("back.pdf");
    PrintService::answerNextPrintToPdf(back, 2, 2);
    PrintService::print(nullptr, store, PrintLayout::WeekTwoPages, true);
    EXPECT_EQ(pdfPageCount(back), 1);

    const QString outOfRange = dir.filePath("none.pdf");
    PrintService::answerNextPrintToPdf(outOfRange, 3, 4);
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    EXPECT_FALSE(QFile::exists(outOfRange));

    PrintService::answerNextPrintCancelled();
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    EXPECT_EQ(PrintService::takeStartedJobs().size(), 3);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files) == QStringList{"back.pdf"});
}

TEST_F(PrintTest, eachLayoutWritesItsPdf)
{
    QTemporaryDir dir;
    const struct {
        PrintLayout layout;
        int pages;
    } cases[] = {{PrintLayout::WeekOnePage, 1}, {PrintLayout::WeekTwoPages, 2}, {PrintLayout::Day, 1}};
    QStringList names;
    for (const auto& c : cases) {
        const QString path = dir.filePath(PrintService::pdfFileName(c.layout));
        ASSERT_TRUE(PrintService::writePdf(store, c.layout, path));
        EXPECT_EQ(pdfPageCount(path), c.pages);
        names.append(PrintService::pdfFileName(c.layout));
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), 3);
    EXPECT_TRUE(PrintService::takeStartedJobs().isEmpty());
    EXPECT_FALSE(PrintService::writePdf(store, PrintLayout::Day, dir.filePath("missing/folder/day.pdf")));
}

TEST_F(PrintTest, copiesThePrintSystemCannotMakeAreDrawnAsExtraSheets)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("copies.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    PrintService::makePrintInfo(true).applyTo(printer);
    printer.setCopyCount(3);
    ASSERT_FALSE(printer.supportsMultipleCopies());
    PrintService::renderJob(printer, view(PrintLayout::WeekTwoPages));
    EXPECT_EQ(pdfPageCount(path), 6);
}
