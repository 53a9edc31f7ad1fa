#include "CallListPrint.h"

#include "PrintService.h"
#include "PrintSettings.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace {

constexpr double lineHeight = 20;
constexpr double headerHeight = 48; // the title, then the column names
constexpr double fontPoints = 10;

int linesPerPage()
{
    return std::max(1, int((CallListPrint::pageSize().height() - headerHeight - lineHeight) / lineHeight));
}

// Where each column starts, as a share of the width: time, patient, phone, dentist, attempts.
constexpr double columnStarts[] = {0.0, 0.09, 0.47, 0.67, 0.9};

void drawRow(QPainter& painter, double y, const QStringList& cells)
{
    const double width = CallListPrint::pageSize().width();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const double left = columnStarts[i] * width;
        const double right = i + 1 < cells.size() ? columnStarts[i + 1] * width - 6 : width;
        const QRectF cell(left, y, right - left, lineHeight);
        const Qt::Alignment align = Qt::AlignVCenter | (i + 1 == cells.size() ? Qt::AlignRight : Qt::AlignLeft);
        painter.drawText(cell, int(align), painter.fontMetrics().elidedText(cells[i], Qt::ElideRight, int(cell.width())));
    }
}

void render(QPagedPaintDevice& device, const CallListPrint::Sheet& sheet)
{
    QPainter painter(&device);
    const int pages = CallListPrint::pageCount(sheet);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        PrintService::scaleToPoints(painter);
        CallListPrint::drawPage(painter, sheet, i);
        painter.restore();
    }
}

} // namespace

namespace CallListPrint {

QSizeF pageSize()
{
    return portraitListLayout().paintRect(QPageLayout::Point).size();
}

int pageCount(const Sheet& sheet)
{
    return std::max(1, int((sheet.lines.size() + linesPerPage() - 1) / linesPerPage()));
}

void drawPage(QPainter& painter, const Sheet& sheet, int index)
{
    QFont font = painter.font();
    font.setPointSizeF(fontPoints + 4);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double width = pageSize().width();
    painter.drawText(QRectF(0, 0, width, 24), int(Qt::AlignLeft | Qt::AlignVCenter), sheet.title);
    font.setPointSizeF(fontPoints);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, width, 24), int(Qt::AlignRight | Qt::AlignVCenter),
                     QStringLiteral("Pagina %1 di %2").arg(index + 1).arg(pageCount(sheet)));
    drawRow(painter, headerHeight - lineHeight,
            {QStringLiteral("Ora"), QStringLiteral("Paziente"), QStringLiteral("Telefono"), QStringLiteral("Dentista"),
             QStringLiteral("Tentativi")});
    painter.drawLine(QPointF(0, headerHeight), QPointF(width, headerHeight));
    font.setBold(false);
    painter.setFont(font);
    const int first = index * linesPerPage();
    const int last = std::min(int(sheet.lines.size()), first + linesPerPage());
    for (int i = first; i < last; ++i) {
        const Sheet::Line& line = sheet.lines[i];
        const double y = headerHeight + (i - first) * lineHeight;
        drawRow(painter, y, {line.time, line.patient, line.phone, line.dentist,
                             line.attempts > 0 ? QString::number(line.attempts) : QString()});
        painter.setPen(Qt::lightGray);
        painter.drawLine(QPointF(0, y + lineHeight), QPointF(width, y + lineHeight));
        painter.setPen(Qt::black);
    }
    if (sheet.lines.isEmpty())
        painter.drawText(QRectF(0, headerHeight, width, lineHeight), int(Qt::AlignLeft | Qt::AlignVCenter),
                         QStringLiteral("Nessun appuntamento da confermare."));
}

void print(QWidget* parent, const Sheet& sheet)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(portraitListLayout());
    printer.setDocName(sheet.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(sheet.title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&sheet](QPrinter* target) { render(*target, sheet); });
    dialog.exec();
}

bool writePdf(const Sheet& sheet, const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageLayout(portraitListLayout());
    writer.setTitle(sheet.title);
    writer.setCreator(QStringLiteral("Calvora"));
    render(writer, sheet);
    return QFileInfo(path).size() > 0;
}

} // namespace CallListPrint
