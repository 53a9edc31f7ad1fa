#pragma once

#include "Dentist.h"
#include "TextRun.h"

#include <QColor>
#include <QList>
#include <QPointF>

class HeaderNames;
class PageText;
class QPainter;

// The key to shortened header names, printed above a page's footer line: each dentist's colour and
// name as written, preceded by the header's label when the name does not contain it ("1" for a
// column number). The entries flow left to right over as many lines as they need.
class PageLegend {
public:
    static constexpr qreal textSize = 7;

    // No entries (and no height) when the header shows the names as written.
    PageLegend(const PageText& text, const QList<Dentist>& dentists, const HeaderNames& header, qreal width,
               const QColor& ink, const QColor& gray);

    [[nodiscard]] bool isEmpty() const { return m_entries.isEmpty(); }
    // The room the legend takes below the grid, its gap above included.
    [[nodiscard]] qreal height() const;

    void draw(QPainter& painter, const PageText& text, const QPointF& topLeft) const;

private:
    struct Entry {
        QColor colour;
        TextLine runs;
        int line = 0;
        qreal x = 0; // from the legend's left edge
    };
    TextLine m_lead;
    QList<Entry> m_entries;
    qreal m_lineHeight = 0;
    int m_lines = 0;
};
