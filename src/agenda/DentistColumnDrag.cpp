// The column as a drag's source and target: the picture that a dragged block leaves under the pointer,
// the outline of where a drop would land, and the drop.
#include "DentistColumn.h"

#include "AgendaStyle.h"
#include "Cal.h"
#include "DragPayload.h"
#include "Schedule.h"
#include "Store.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

// Where the carried block lies from the pointer's tip: clear of the arrow and of the outline's time.
constexpr QPointF dragOffset(14, 18);

} // namespace

// The pointer carries a small block with the patient's name, beside and below its tip: only the outline
// in the column under the pointer shows a place and a time, so nothing on screen contradicts it.
void DentistColumn::startDrag(const AppointmentBlock& block)
{
    Appointment chip = block.appointment();
    chip.durationMinutes = Schedule::slotMinutes;
    chip.treatment.clear();
    const QFont font = AgendaStyle::font(m_compact ? 11 : 12, QFont::DemiBold);
    // The blocks' padding (8 left, 4 right) and a point for the outline.
    const double chipWidth =
        std::min(block.rect().width(), QFontMetricsF(font).horizontalAdvance(chip.patient) + 14);
    const QRectF chipRect(dragOffset.x(), dragOffset.y(), std::ceil(chipWidth), m_geometry.rowHeight() - 2);
    const QSize size(int(std::ceil(chipRect.right())) + 1, int(std::ceil(chipRect.bottom())) + 1);
    QPixmap picture(size * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        AppointmentBlock(chip, m_color, m_compact, chipRect).paint(p, palette());
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(AppointmentBlock::dragPayload(block.appointment()));
    drag->setPixmap(picture);
    // The pointer's tip is the picture's top left corner, which is transparent.
    drag->setHotSpot(QPoint(0, 0));
    setHoverSlot(std::nullopt);
    drag->exec(Qt::MoveAction);
}

std::optional<int> DentistColumn::dropStart(const QPointF& point) const
{
    const std::optional<int> slot = m_geometry.slot(point.y());
    if (!slot)
        return std::nullopt;
    return GridGeometry::slotStart(*slot);
}

QString DentistColumn::dropPreviewText() const
{
    return m_dropPreview ? m_dropPreview->label(m_geometry, width()) : QString();
}

// What the column itself can tell: the day takes bookings, the appointment ends by closing time and
// meets none of the dentist's others.
bool DentistColumn::fits(const Appointment& landing) const
{
    if (m_closure)
        return false;
    QList<Appointment> others = m_appointments;
    others.removeIf([&](const Appointment& a) { return a.id == landing.id; });
    const QList<int> starts = Schedule::freeStarts(others, landing.durationMinutes, landing.startMinutes);
    return !starts.isEmpty() && starts.first() == landing.startMinutes;
}

// The dragged appointment (one of the days on show) at the place the drop would give it.
void DentistColumn::followDrag(const QMimeData* payload, const QPointF& point)
{
    const std::optional<qint64> id =
        payload->hasText() ? DragPayload::parseId(payload->text()) : std::nullopt;
    const std::optional<int> start = dropStart(point);
    std::optional<DropPreview> preview;
    if (id && start) {
        for (const Appointment& a : m_store.weekAppointments()) {
            if (a.id != *id)
                continue;
            Appointment landing = a;
            landing.day = Cal::dayKey(m_day);
            landing.dentistId = m_dentist.id;
            landing.startMinutes = *start;
            preview.emplace(landing, fits(landing));
            break;
        }
    }
    setDropPreview(preview);
}

void DentistColumn::setDropPreview(std::optional<DropPreview> preview)
{
    if (preview == m_dropPreview)
        return;
    // The outline's pen reaches a point outside its rectangle.
    if (m_dropPreview)
        update(m_dropPreview->rect(m_geometry, width()).toAlignedRect().adjusted(-2, -2, 2, 2));
    m_dropPreview = std::move(preview);
    if (m_dropPreview)
        update(m_dropPreview->rect(m_geometry, width()).toAlignedRect().adjusted(-2, -2, 2, 2));
}

void DentistColumn::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropTargeted(true);
    followDrag(event->mimeData(), event->position());
}

void DentistColumn::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    followDrag(event->mimeData(), event->position());
}

void DentistColumn::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTargeted(false);
    setDropPreview(std::nullopt);
    QWidget::dragLeaveEvent(event);
}

void DentistColumn::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    setDropPreview(std::nullopt);
    const QString text = event->mimeData()->hasText() ? event->mimeData()->text() : QString();
    const std::optional<qint64> id = DragPayload::parseId(text);
    const std::optional<int> start = dropStart(event->position());
    if (text.isEmpty() || !id || !start) {
        event->ignore();
        return;
    }
    if (m_store.move(*id, m_day, m_dentist.id, *start))
        event->acceptProposedAction();
    else
        event->ignore();
}
