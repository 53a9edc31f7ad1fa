#include "SearchResultDelegate.h"

#include "PanelStyle.h"
#include "SearchResultsModel.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 6;
constexpr int columnGap = 10;
constexpr int lineGap = 2;

} // namespace

SearchResultDelegate::SearchResultDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
    m_dayFont = PanelStyle::withTabularDigits(PanelStyle::callout());
    m_dayFont.setWeight(QFont::DemiBold);
    m_timeFont = PanelStyle::withTabularDigits(PanelStyle::caption());
    m_patientFont = PanelStyle::callout();
    m_patientFont.setWeight(QFont::Medium);
    m_detailsFont = PanelStyle::caption();
    const int left = QFontMetrics(m_dayFont).height() + lineGap + QFontMetrics(m_timeFont).height();
    const int right = QFontMetrics(m_patientFont).height() + lineGap + QFontMetrics(m_detailsFont).height();
    m_rowHeight = std::max(left, right) + 2 * verticalPadding;
}

QSize SearchResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 460, m_rowHeight};
}

void SearchResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool hovered = option.state & QStyle::State_MouseOver;
    const bool current = option.state & QStyle::State_Selected;
    if (hovered || current) {
        QColor wash = option.palette.color(QPalette::Highlight);
        wash.setAlphaF(current ? 0.18f : 0.10f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(wash);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(1, 1, -1, -1), 6, 6);
    }
    if (index.data(SearchResultsModel::PastRole).toBool())
        painter->setOpacity(pastOpacity);

    const QColor primary = option.palette.color(QPalette::Text);
    const QColor secondary = PanelStyle::secondaryText(option.palette);
    const QRect inner =
        option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);

    auto line = [painter](const QFont& font, const QColor& color, const QRect& box, const QString& text) {
        const QFontMetrics metrics(font);
        painter->setFont(font);
        painter->setPen(color);
        painter->drawText(box.left(), box.top() + metrics.ascent(),
                          metrics.elidedText(text, Qt::ElideRight, box.width()));
        return box.top() + metrics.height() + lineGap;
    };

    QRect left(inner.left(), inner.top(), dateColumnWidth, inner.height());
    left.setTop(line(m_dayFont, primary, left, index.data(SearchResultsModel::DayRole).toString()));
    line(m_timeFont, secondary, left, index.data(SearchResultsModel::TimeRole).toString());

    QRect right(inner.left() + dateColumnWidth + columnGap, inner.top(),
                inner.width() - dateColumnWidth - columnGap, inner.height());
    right.setTop(line(m_patientFont, primary, right, index.data(SearchResultsModel::PatientRole).toString()));
    line(m_detailsFont, secondary, right, index.data(SearchResultsModel::DetailsRole).toString());
    painter->restore();
}
