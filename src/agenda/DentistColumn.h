#pragma once

#include "AppointmentBlock.h"
#include "Dentist.h"
#include "GridGeometry.h"

#include <QDate>
#include <QLineF>
#include <QList>
#include <QWidget>

#include <optional>
#include <vector>

class Store;

// One dentist's day: the 43 quarter-hour slots painted in one pass, the appointments as blocks, the
// hover highlight on free slots, a click on a free slot to book, and the drop target for dragged blocks.
class DentistColumn : public QWidget {
    Q_OBJECT

public:
    DentistColumn(Store& store, QWidget* parent = nullptr);

    // Replaces what the column shows; repaints only when something changed.
    void setContent(const QDate& day, const Dentist& dentist, const QList<Appointment>& appointments, bool compact,
                    bool isDayEnd);

    [[nodiscard]] const QDate& day() const { return m_day; }
    [[nodiscard]] const Dentist& dentist() const { return m_dentist; }
    [[nodiscard]] const GridGeometry& geometryRules() const { return m_geometry; }
    [[nodiscard]] std::optional<int> hoverSlot() const { return m_hoverSlot; }
    [[nodiscard]] bool dropTargeted() const { return m_dropTargeted; }
    // No appointment of the column covers the slot's start minute.
    [[nodiscard]] bool isFree(int slot) const;
    // The topmost block whose shape holds the point.
    [[nodiscard]] const AppointmentBlock* blockAt(const QPointF& point) const;
    [[nodiscard]] const std::vector<AppointmentBlock>& blocks() const { return m_blocks; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    void paintSlots(QPainter& p);
    void paintTintedBackground(QPainter& p);
    void paintLines(QPainter& p, const QList<QLineF>& quarters, const QList<QLineF>& hours) const;
    void rebuildBlocks();
    void rebuildLines();
    void setHoverSlot(std::optional<int> slot);
    void setDropTargeted(bool targeted);
    void startDrag(const AppointmentBlock& block);
    [[nodiscard]] QRect rowRect(int slot) const;

    Store& m_store;
    QDate m_day;
    Dentist m_dentist;
    QColor m_color;
    QList<Appointment> m_appointments;
    GridGeometry m_geometry{true};
    bool m_compact = true;
    bool m_dayEnd = false;
    std::vector<AppointmentBlock> m_blocks;
    QList<QLineF> m_hourLines;
    QList<QLineF> m_quarterLines;
    std::optional<int> m_hoverSlot;
    bool m_dropTargeted = false;
    // The press that may become a click or a drag.
    std::optional<QPoint> m_pressPos;
    std::optional<qint64> m_pressedId;
};
