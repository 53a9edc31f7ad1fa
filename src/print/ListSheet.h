#pragma once

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPainter;
class QWidget;

// A list on paper, one line per entry under a row of column names: A4 portrait, the title and
// "Pagina 1 di 2" at the top of each sheet. The call and recall lists are drawn by it.
struct ListSheet {
    QString title;
    QStringList columns;        // the column names, as many as the cells of each line
    QList<double> columnStarts; // where each column starts, as a share of the width (the first 0)
    QList<QStringList> lines;
    QString emptyText; // said under the column names when there is no line

    // Printable area of an A4 portrait page with 20 pt margins, in points.
    [[nodiscard]] static QSizeF pageSize();
    [[nodiscard]] int pageCount() const;
    // Draws page `index` (from 0) with the painter in points, the printable area at the origin. The last
    // column is aligned right, a cell too long for its column is elided.
    void drawPage(QPainter& painter, int index) const;

    // The print preview, whose print button opens the platform's print dialog.
    void print(QWidget* parent) const;
    // The same pages in a PDF file; false when it cannot be written.
    [[nodiscard]] bool writePdf(const QString& path) const;
};
