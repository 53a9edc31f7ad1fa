#include "PrintService.h"

#include "Cal.h"
#include "DatabaseError.h"
#include "Store.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QQueue>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

// A queued answer for the next print command; an empty path cancels the job.
struct NextPrint {
    QString pdfPath;
    int fromPage = 0;
    int toPage = 0;
};

QQueue<NextPrint>& answers()
{
    static QQueue<NextPrint> queue;
    return queue;
}

QList<PrintService::StartedJob>& started()
{
    static QList<PrintService::StartedJob> list;
    return list;
}

// Pages are drawn at the printable area's corner, where a paged device puts its origin.
void drawSheets(QPainter& painter, QPagedPaintDevice& device, const SchedulePrintView& view,
                const QList<int>& sheets)
{
    bool first = true;
    for (const int index : sheets) {
        if (!first)
            device.newPage();
        first = false;
        painter.save();
        PrintService::scaleToPoints(painter);
        view.drawPage(painter, index, QRectF(QPointF(0, 0), view.pageSize()));
        painter.restore();
    }
}

// Six columns a day or more would make the one-page week unreadable.
bool splitsWeek(const Store& store)
{
    return store.dentistsOn(Cal::workdays(store.anchor())).size() > PrintService::mostDentistsOnOnePage;
}

// The print preview says at its top what the layout will do, when there is something to say.
void addNote(QPrintPreviewDialog& dialog, const QString& note)
{
    auto* layout = qobject_cast<QVBoxLayout*>(dialog.layout());
    if (note.isEmpty() || !layout)
        return;
    auto* label = new QLabel(note, &dialog);
    label->setObjectName(QStringLiteral("layoutNote"));
    label->setWordWrap(true);
    label->setContentsMargins(8, 4, 8, 4);
    layout->insertWidget(0, label);
}

} // namespace

namespace PrintService {

PrintSettings makePrintInfo(bool duplex)
{
    return PrintSettings{QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(20, 20, 20, 20), QPageLayout::Point),
                         duplex ? QPrinter::DuplexShortSide : QPrinter::DuplexNone};
}

SchedulePrintView makeView(Store& store, PrintLayout layout, const PrintSettings& settings)
{
    const QList<QDate> week = Cal::workdays(store.anchor());
    const QString weekTitle = QStringLiteral("Settimana ") + Cal::rangeTitle(week);
    QList<QList<QDate>> pages;
    QString title;
    switch (layout) {
    case PrintLayout::WeekOnePage:
        pages = splitsWeek(store) ? QList<QList<QDate>>{week.mid(0, 3), week.mid(3)} : QList<QList<QDate>>{week};
        title = weekTitle;
        break;
    case PrintLayout::WeekTwoPages:
        pages = {week.mid(0, 3), week.mid(3)};
        title = weekTitle;
        break;
    case PrintLayout::Day:
        pages = {{store.anchor()}};
        title = Cal::rangeTitle({store.anchor()});
        break;
    }

    // The whole week whatever the layout. A failed read throws: empty grids would look like a free week.
    const QList<Appointment> fetched = store.fetchAppointments(Cal::dayKey(week.first()), Cal::dayKey(week.last()));
    QMap<QString, QList<Appointment>> byDay;
    for (const Appointment& a : fetched)
        byDay[a.day].append(a);

    QList<QDate> printed;
    QMap<QDate, QString> closed;
    for (const QList<QDate>& page : std::as_const(pages))
        for (const QDate& day : page) {
            printed.append(day);
            if (const std::optional<ClosedPeriod> period = store.closedPeriodOn(day))
                closed.insert(day, period->reason);
        }
    SchedulePrintView view(pages, store.dentistsOn(printed), byDay, store.studioName(), title,
                           settings.printableSize(), QColor(Qt::black), QColor::fromRgbF(0.35f, 0.35f, 0.35f));
    view.setClosedDays(closed);
    view.setTwoSided(layout == PrintLayout::WeekTwoPages);
    return view;
}

QString jobTitle(const SchedulePrintView& view)
{
    return QStringLiteral("Appuntamenti \u2013 ") + view.title();
}

void scaleToPoints(QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    painter.scale(device->logicalDpiX() / 72.0, device->logicalDpiY() / 72.0);
}

void renderJob(QPrinter& printer, const SchedulePrintView& view)
{
    const bool ranged = printer.printRange() == QPrinter::PageRange && !printer.pageRanges().isEmpty();
    QList<int> pages;
    for (int i = 0; i < view.pageCount(); ++i) {
        if (!ranged || printer.pageRanges().contains(i + 1))
            pages.append(i);
    }
    if (pages.isEmpty())
        return;
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());

    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(printer.copyCount(), 1);
    QList<int> sheets;
    if (printer.collateCopies()) {
        for (int copy = 0; copy < copies; ++copy)
            sheets += pages;
    } else {
        for (const int page : pages)
            sheets += QList<int>(copies, page);
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return;
    drawSheets(painter, printer, view, sheets);
    painter.end();
}

namespace {

// A print carries the days' patients out of the agenda: the log says which days, and the file when it
// went to one.
void logPrinted(Store& store, const SchedulePrintView& view, const QString& file)
{
    QJsonArray days;
    for (const QList<QDate>& page : view.pages())
        for (const QDate& day : page)
            if (!days.contains(Cal::dayKey(day)))
                days.append(Cal::dayKey(day));
    QJsonObject details{{QStringLiteral("days"), days}};
    if (!file.isEmpty())
        details.insert(QStringLiteral("file"), file);
    (void)store.logEvent(QStringLiteral("print"), QStringLiteral("agenda"), details);
}

} // namespace

void print(QWidget* parent, Store& store, PrintLayout layout, bool duplex)
{
    const PrintSettings settings = makePrintInfo(duplex);
    std::optional<SchedulePrintView> read;
    try {
        read.emplace(makeView(store, layout, settings));
    } catch (const DatabaseError& error) {
        store.setAlertMessage(QStringLiteral("Impossibile stampare.\nErrore nella lettura degli appuntamenti: ")
                              + error.message());
        return;
    }
    const SchedulePrintView& view = *read;

    QPrinter printer(QPrinter::HighResolution);
    std::optional<NextPrint> answer;
    if (!answers().isEmpty())
        answer = answers().dequeue();
    if (answer && !answer->pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer->pdfPath);
        if (answer->fromPage > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(answer->fromPage, answer->toPage);
        }
    }
    settings.applyTo(printer);
    printer.setDocName(jobTitle(view));
    const QString note = layoutNote(store, layout);
    started().append(StartedJob{printer.docName(), settings.duplex, printer.duplex(), printer.pageLayout(),
                                view.pageCount(), note});

    if (answer) {
        if (!answer->pdfPath.isEmpty()) {
            renderJob(printer, view);
            logPrinted(store, view, QFileInfo(answer->pdfPath).fileName());
        }
        return;
    }

    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(printer.docName());
    addNote(dialog, note);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&view](QPrinter* target) { renderJob(*target, view); });
    // The preview is accepted once its pages went to the printer.
    if (dialog.exec() == QDialog::Accepted)
        logPrinted(store, view, printer.outputFileName().isEmpty() ? QString() : QFileInfo(printer.outputFileName()).fileName());
}

bool writePdf(Store& store, PrintLayout layout, const QString& path)
{
    const PrintSettings settings = makePrintInfo(false);
    std::optional<SchedulePrintView> read;
    try {
        read.emplace(makeView(store, layout, settings));
    } catch (const DatabaseError&) {
        return false;
    }
    const SchedulePrintView& view = *read;
    QPdfWriter writer(path);
    writer.setPageLayout(settings.pageLayout);
    writer.setTitle(jobTitle(view));
    writer.setCreator(QStringLiteral("Calvora"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QList<int> pages;
    for (int i = 0; i < view.pageCount(); ++i)
        pages.append(i);
    drawSheets(painter, writer, view, pages);
    if (!painter.end())
        return false;
    logPrinted(store, view, QFileInfo(path).fileName());
    return true;
}

QString pdfFileName(PrintLayout layout)
{
    switch (layout) {
    case PrintLayout::WeekOnePage:
        return QStringLiteral("stampa-settimana-1-pagina.pdf");
    case PrintLayout::WeekTwoPages:
        return QStringLiteral("stampa-settimana-fronte-retro.pdf");
    case PrintLayout::Day:
        break;
    }
    return QStringLiteral("stampa-giorno.pdf");
}

void answerNextPrintToPdf(const QString& path, int fromPage, int toPage)
{
    answers().enqueue(NextPrint{path, fromPage, toPage});
}

void answerNextPrintCancelled()
{
    answers().enqueue(NextPrint{});
}

QList<StartedJob> takeStartedJobs()
{
    return std::exchange(started(), {});
}

QString layoutNote(const Store& store, PrintLayout layout)
{
    if (layout != PrintLayout::WeekOnePage || !splitsWeek(store))
        return {};
    return QStringLiteral("Con sei o più dentisti la settimana si stampa su due pagine: "
                          "da lunedì a mercoledì e da giovedì a venerdì.");
}

} // namespace PrintService
