// Writes the three printed layouts of a demo week to PDF files in the folder given as the only argument,
// with the clock pinned to Wednesday 4 December 2024 at 14:30, for looking at the pages; also the
// one-page week drawn into a 144 dpi image, the way the print preview draws on screen.
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "DemoData.h"
#include "PrintService.h"
#include "Store.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(Cal::locale());
    if (argc != 2) {
        std::fprintf(stderr, "usage: print_samples <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    Clock::Pin clock(QDateTime(QDate(2024, 12, 4), QTime(14, 30)));
    Database db(QStringLiteral(":memory:"));
    Store store(db);
    DemoData::seed(store);
    store.saveSettings(QStringLiteral("Studio Dentistico Esempio"), store.dentists());
    int failed = 0;
    for (const PrintLayout layout : {PrintLayout::WeekOnePage, PrintLayout::WeekTwoPages, PrintLayout::Day}) {
        const QString path = folder.filePath(PrintService::pdfFileName(layout));
        if (!PrintService::writePdf(store, layout, path))
            ++failed;
        std::printf("%s\n", qPrintable(path));
    }
    const SchedulePrintView view =
        PrintService::makeView(store, PrintLayout::WeekOnePage, PrintService::makePrintInfo(false));
    QImage image((view.pageSize() * 2).toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(144 / 0.0254));
    image.setDotsPerMeterY(int(144 / 0.0254));
    QPainter painter(&image);
    PrintService::scaleToPoints(painter);
    view.drawPage(painter, 0, view.pageRect(0));
    painter.end();
    const QString png = folder.filePath(QStringLiteral("stampa-settimana-1-pagina.png"));
    if (!image.save(png))
        ++failed;
    std::printf("%s\n", qPrintable(png));
    return failed;
}
