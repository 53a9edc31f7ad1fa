// Drawing the one-page week print of a full week of the large database.
#include "AgendaEnvironment.h"
#include "PrintService.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

SchedulePrintView weekView(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const SchedulePrintView view =
        PrintService::makeView(env.store, PrintLayout::WeekOnePage, PrintService::makePrintInfo(false));
    qsizetype count = 0;
    for (const QList<Appointment>& day : view.appointments())
        count += day.size();
    state.counters["appointments"] = double(count);
    return view;
}

// drawPage on a PDF writer, the device that printing and the PDF files use; opening and finishing the
// document are not timed.
void printWeekPdf(benchmark::State& state)
{
    const SchedulePrintView view = weekView(state);
    const PrintSettings settings = PrintService::makePrintInfo(false);
    for (auto _ : state) {
        state.PauseTiming();
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QPdfWriter writer(&out);
        writer.setPageLayout(settings.pageLayout);
        QPainter painter(&writer);
        state.ResumeTiming();
        PrintService::scaleToPoints(painter);
        view.drawPage(painter, 0, QRectF(QPointF(0, 0), view.pageSize()));
        state.PauseTiming();
        painter.end();
        state.ResumeTiming();
    }
}
BENCHMARK(printWeekPdf)->Unit(benchmark::kMillisecond);

// drawPage on a screen-resolution image, as a preview shows the page.
void printWeekImage(benchmark::State& state)
{
    const SchedulePrintView view = weekView(state);
    QImage image(QSizeF(view.pageSize() * 96.0 / 72.0).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(int(96 / 0.0254));
    image.setDotsPerMeterY(int(96 / 0.0254));
    for (auto _ : state) {
        QPainter painter(&image);
        PrintService::scaleToPoints(painter);
        view.drawPage(painter, 0, QRectF(QPointF(0, 0), view.pageSize()));
    }
}
BENCHMARK(printWeekImage)->Unit(benchmark::kMillisecond);

// The whole PDF of the one-page week: reading the week, drawing and writing the file.
void writeWeekPdf(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("week.pdf"));
    for (auto _ : state) {
        if (!PrintService::writePdf(env.store, PrintLayout::WeekOnePage, path)) {
            state.SkipWithError("the PDF could not be written");
            break;
        }
    }
}
BENCHMARK(writeWeekPdf)->Unit(benchmark::kMillisecond);

} // namespace
