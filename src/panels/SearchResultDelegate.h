#pragma once

#include <QFont>
#include <QStyledItemDelegate>

// Paints one search result as two columns: day and time range (130 wide), then patient and details.
// Rows of past days are painted at 55 % opacity.
class SearchResultDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int dateColumnWidth = 130;
    static constexpr qreal pastOpacity = 0.55;

    explicit SearchResultDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QFont m_dayFont;
    QFont m_timeFont;
    QFont m_patientFont;
    QFont m_detailsFont;
    int m_rowHeight = 0;
};
