#pragma once

#include "AppointmentBlock.h"
#include "ClosureLabel.h"
#include "ColumnCells.h"
#include "Dentist.h"
#include "DropPreview.h"
#include "GridGeometry.h"

#include <QDate>
#include <QHash>
#include <QLineF>
#include <QList>
#include <QWidget>

#include <optional>
#include <vector>

class QMenu;
class QMimeData;
class Store;

// One dentist's day: the 43 quarter-hour slots painted in one pass, the appointments as blocks, the
// hover highlight on free slots, a click on a free slot to book, and the drop target for dragged blocks,
// which shows where a drop would land. It draws the grid's keyboard cursor when the cursor is in it. A
// click on a closed day's free slot says why it takes no booking.
class DentistColumn : public QWidget {
    Q_OBJECT

public:
    DentistColumn(Store& store, QWidget* parent = nullptr);

    // Replaces what the column shows; repaints only when something changed.
    // Why a column takes no bookings that day: a short title ("Chiuso") and what the column shows of
    // the reason when it is wide enough.
    struct Closure {
        QString title;
        QString detail;
        bool operator==(const Closure&) const = default;
    };
    // `closure`: present when the practice is closed or the dentist no longer works there that day.
    // `statuses`: of the appointments whose status is not "Da confermare", by id.
    void setContent(const QDate& day, const Dentist& dentist, const QList<Appointment>& appointments, bool compact,
                    bool isDayEnd, const std::optional<Closure>& closure = std::nullopt,
                    const QHash<qint64, AppointmentStatus>& statuses = {});

    [[nodiscard]] const QDate& day() const { return m_day; }
    [[nodiscard]] const Dentist& dentist() const { return m_dentist; }
    [[nodiscard]] const GridGeometry& geometryRules() const { return m_geometry; }
    [[nodiscard]] const std::optional<Closure>& closure() const { return m_closure; }
    // The status an appointment of the column shows.
    [[nodiscard]] AppointmentStatus status(qint64 id) const
    {
        return m_statuses.value(id, AppointmentStatus::ToConfirm);
    }
    [[nodiscard]] std::optional<int> hoverSlot() const { return m_hoverSlot; }
    [[nodiscard]] bool dropTargeted() const { return m_dropTargeted; }
    // The start (minutes) that a drop at a point gives the dropped appointment: that of the slot under
    // the pointer; absent outside the slots. The outline shown during a drag and the drop both use it.
    [[nodiscard]] std::optional<int> dropStart(const QPointF& point) const;
    // While an appointment of the days on show is dragged over the column: where the drop would put it.
    [[nodiscard]] const std::optional<DropPreview>& dropPreview() const { return m_dropPreview; }
    // The time written in that outline.
    [[nodiscard]] QString dropPreviewText() const;
    // What a closed column says of the closure and where; absent when it says nothing.
    [[nodiscard]] std::optional<ClosureLabel> closureLabel() const;
    // No appointment of the column covers the slot's start minute.
    [[nodiscard]] bool isFree(int slot) const;
    // Marks an appointment's block for a moment (1.5 s); the id being marked, if any.
    void flash(qint64 appointmentId);
    [[nodiscard]] std::optional<qint64> flashing() const { return m_flashId; }
    // The topmost block whose shape holds the point.
    [[nodiscard]] const AppointmentBlock* blockAt(const QPointF& point) const;
    [[nodiscard]] const std::vector<AppointmentBlock>& blocks() const { return m_blocks; }
    // The free slots and appointments from top to bottom, and a number that changes whenever they may.
    [[nodiscard]] const ColumnCells& cells() const { return m_cells; }
    [[nodiscard]] quint64 contentRevision() const { return m_revision; }

    // The keyboard cursor's slot while it is in this column and the grid has the focus; absent otherwise.
    [[nodiscard]] std::optional<int> cursorSlot() const { return m_cursorSlot; }
    void setCursorSlot(std::optional<int> slot);
    // The cursor's frame around the cell of a slot, in the column's coordinates.
    [[nodiscard]] QRectF cursorRect(int slot) const;

    // The appointment's menu (see BlockMenu) at a point on the screen; it deletes itself.
    QMenu* showMenu(const Appointment& appointment, const QPoint& globalPos);

signals:
    // A mouse button went down on a slot (free or under a block).
    void pressed(int slot);

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
    void paintClosure(QPainter& p) const;
    void paintTintedBackground(QPainter& p);
    void paintLines(QPainter& p, const QList<QLineF>& quarters, const QList<QLineF>& hours) const;
    void paintCursor(QPainter& p) const;
    void rebuildBlocks();
    void rebuildLines();
    void setHoverSlot(std::optional<int> slot);
    void setDropTargeted(bool targeted);
    void setDropPreview(std::optional<DropPreview> preview);
    void followDrag(const QMimeData* payload, const QPointF& point);
    [[nodiscard]] bool fits(const Appointment& landing) const;
    [[nodiscard]] QList<std::pair<double, double>> freeStretches() const;
    void startDrag(const AppointmentBlock& block);
    [[nodiscard]] QRect rowRect(int slot) const;

    Store& m_store;
    QDate m_day;
    Dentist m_dentist;
    QColor m_color;
    QList<Appointment> m_appointments;
    QHash<qint64, AppointmentStatus> m_statuses;
    GridGeometry m_geometry{true};
    bool m_compact = true;
    bool m_dayEnd = false;
    std::optional<Closure> m_closure;
    std::optional<qint64> m_flashId;
    std::vector<AppointmentBlock> m_blocks;
    ColumnCells m_cells;
    quint64 m_revision = 0;
    std::optional<int> m_cursorSlot;
    QList<QLineF> m_hourLines;
    QList<QLineF> m_quarterLines;
    std::optional<int> m_hoverSlot;
    bool m_dropTargeted = false;
    std::optional<DropPreview> m_dropPreview;
    // The press that may become a click or a drag.
    std::optional<QPoint> m_pressPos;
    std::optional<qint64> m_pressedId;
};
