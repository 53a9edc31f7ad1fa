#include "ListSheet.h"

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
    return std::max(1, int((ListSheet::pageSize().height() - headerHeight - lineHeight) / lineHeight));
}

// A font size for a painter scaled to points: the device resolves point sizes at its own resolution, which
// the scaling would count a second time.
double pointSize(const QPainter& painter, double points)
{
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
    return points * 72.0 / (dpi > 0 ? dpi : 72);
}

void drawRow(QPainter& painter, double y, const QList<double>& starts, const QStringList& cells)
{
    const double width = ListSheet::pageSize().width();
    for (qsizetype i = 0; i < cells.size() && i < starts.size(); ++i) {
        const double left = starts[i] * width;
        const double right = i + 1 < cells.size() ? starts[i + 1] * width - 6 : width;
        const QRectF cell(left, y, right - left, lineHeight);
        const Qt::Alignment align = Qt::AlignVCenter | (i + 1 == cells.size() ? Qt::AlignRight : Qt::AlignLeft);
        painter.drawText(cell, int(align), painter.fontMetrics().elidedText(cells[i], Qt::ElideRight, int(cell.width())));
    }
}

void render(QPagedPaintDevice& device, const ListSheet& sheet)
{
    QPainter painter(&device);
    const int pages = sheet.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        PrintService::scaleToPoints(painter);
        sheet.drawPage(painter, i);
        painter.restore();
    }
}

} // namespace

QSizeF ListSheet::pageSize()
{
    return portraitListLayout().paintRect(QPageLayout::Point).size();
}

int ListSheet::pageCount() const
{
    return std::max(1, int((lines.size() + linesPerPage() - 1) / linesPerPage()));
}

void ListSheet::drawPage(QPainter& painter, int index) const
{
    QFont font = painter.font();
    font.setPointSizeF(pointSize(painter, fontPoints + 4));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double width = pageSize().width();
    painter.drawText(QRectF(0, 0, width, 24), int(Qt::AlignLeft | Qt::AlignVCenter), title);
    font.setPointSizeF(pointSize(painter, fontPoints));
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, width, 24), int(Qt::AlignRight | Qt::AlignVCenter),
                     QStringLiteral("Pagina %1 di %2").arg(index + 1).arg(pageCount()));
    drawRow(painter, headerHeight - lineHeight, columnStarts, columns);
    painter.drawLine(QPointF(0, headerHeight), QPointF(width, headerHeight));
    font.setBold(false);
    painter.setFont(font);
    const int first = index * linesPerPage();
    const int last = std::min(int(lines.size()), first + linesPerPage());
    for (int i = first; i < last; ++i) {
        const double y = headerHeight + (i - first) * lineHeight;
        drawRow(painter, y, columnStarts, lines[i]);
        painter.setPen(Qt::lightGray);
        painter.drawLine(QPointF(0, y + lineHeight), QPointF(width, y + lineHeight));
        painter.setPen(Qt::black);
    }
    if (lines.isEmpty())
        painter.drawText(QRectF(0, headerHeight, width, lineHeight), int(Qt::AlignLeft | Qt::AlignVCenter), emptyText);
}

void ListSheet::print(QWidget* parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(portraitListLayout());
    printer.setDocName(title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* target) { render(*target, *this); });
    dialog.exec();
}

bool ListSheet::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setPageLayout(portraitListLayout());
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Calvora"));
    render(writer, *this);
    return QFileInfo(path).size() > 0;
}
