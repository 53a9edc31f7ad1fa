#include "ClosureLabel.h"

#include "AgendaStyle.h"
#include "FittedText.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

QFont titleFont()
{
    return AgendaStyle::font(AgendaStyle::captionSize, QFont::DemiBold);
}

QFont detailFont()
{
    return AgendaStyle::font(AgendaStyle::captionSize);
}

constexpr double sideMargin = 4;

} // namespace

std::optional<ClosureLabel> ClosureLabel::place(const QString& title, const QString& detail, double width,
                                                double rowHeight,
                                                const QList<std::pair<double, double>>& free)
{
    const double room = width - 2 * sideMargin;
    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF detailMetrics(detailFont());
    const std::optional<QStringList> titleLines = FittedText::wholeWordLines(title, titleMetrics, room);
    if (!titleLines || titleLines->isEmpty())
        return std::nullopt;
    const std::optional<QStringList> detailLines = FittedText::wholeWordLines(detail, detailMetrics, room);
    const double titleHeight = titleLines->size() * titleMetrics.lineSpacing();
    const double detailHeight = detailLines ? detailLines->size() * detailMetrics.lineSpacing() : 0;
    // Half a row of air above the text, as much below.
    const double padding = rowHeight / 2;
    // The whole label where it fits, else the title alone.
    for (const bool withDetail : {true, false}) {
        if (withDetail && (!detailLines || detailLines->isEmpty()))
            continue;
        const double height = titleHeight + (withDetail ? detailHeight : 0);
        for (const auto& [top, bottom] : free) {
            if (bottom - top < height + 2 * padding)
                continue;
            return ClosureLabel{*titleLines, withDetail ? *detailLines : QStringList(),
                                QRectF(sideMargin, top + padding, room, height)};
        }
    }
    return std::nullopt;
}

void ClosureLabel::paint(QPainter& p, const QPalette& palette) const
{
    p.setPen(AgendaStyle::secondary(palette));
    double y = area.top();
    const auto draw = [&](const QStringList& lines, const QFont& font) {
        p.setFont(font);
        const QFontMetricsF metrics(font);
        for (const QString& line : lines) {
            const QRectF box(area.left(), y, area.width(), metrics.lineSpacing());
            p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, line);
            y += metrics.lineSpacing();
        }
    };
    draw(title, titleFont());
    draw(detail, detailFont());
}
