#include "DentistColumn.h"

#include "AgendaStyle.h"
#include "BlockMenu.h"
#include "Color.h"
#include "ColumnSeparator.h"
#include "Schedule.h"
#include "Store.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QTimer>
#include <QToolTip>

#include <cmath>

DentistColumn::DentistColumn(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setMouseTracking(true);
    setAcceptDrops(true);
    // Every paint covers the whole exposed area, so nothing under the column is painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DentistColumn::setContent(const QDate& day, const Dentist& dentist, const QList<Appointment>& appointments,
                               bool compact, bool isDayEnd, const std::optional<Closure>& closure,
                               const QHash<qint64, AppointmentStatus>& statuses)
{
    if (day == m_day && dentist == m_dentist && appointments == m_appointments && compact == m_compact
        && isDayEnd == m_dayEnd && closure == m_closure && statuses == m_statuses)
        return;
    m_closure = closure;
    m_statuses = statuses;
    const bool geometryChanged = compact != m_compact;
    m_day = day;
    m_dentist = dentist;
    m_color = colorFromHex(dentist.colorHex);
    m_appointments = appointments;
    m_compact = compact;
    m_dayEnd = isDayEnd;
    m_geometry = GridGeometry(compact);
    if (geometryChanged)
        rebuildLines();
    rebuildBlocks();
    m_cells = ColumnCells(m_appointments);
    ++m_revision;
    if (m_hoverSlot && !isFree(*m_hoverSlot))
        m_hoverSlot.reset();
    update();
}

bool DentistColumn::isFree(int slot) const
{
    if (m_closure)
        return false;
    const int m = GridGeometry::slotStart(slot);
    for (const Appointment& a : m_appointments)
        if (a.startMinutes <= m && m < a.startMinutes + a.durationMinutes)
            return false;
    return true;
}

const AppointmentBlock* DentistColumn::blockAt(const QPointF& point) const
{
    for (auto it = m_blocks.rbegin(); it != m_blocks.rend(); ++it)
        if (it->contains(point))
            return &*it;
    return nullptr;
}

void DentistColumn::rebuildBlocks()
{
    m_blocks.clear();
    m_blocks.reserve(size_t(m_appointments.size()));
    for (const Appointment& a : std::as_const(m_appointments))
        m_blocks.emplace_back(a, m_color, m_compact, m_geometry.blockRect(a, width()), status(a.id));
}

void DentistColumn::rebuildLines()
{
    m_hourLines.clear();
    m_quarterLines.clear();
    for (int i = 1; i <= GridGeometry::rowCount; ++i) {
        const double y = m_geometry.lineY(i);
        (GridGeometry::isHourLine(i) ? m_hourLines : m_quarterLines).append(QLineF(0, y, width(), y));
    }
}

void DentistColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rebuildLines();
    rebuildBlocks();
}

QRect DentistColumn::rowRect(int slot) const
{
    return m_geometry.slotRect(slot, width()).toAlignedRect().adjusted(0, -1, 0, 1);
}

void DentistColumn::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const bool tinted = m_dropTargeted || m_hoverSlot;
    if (tinted)
        paintTintedBackground(p);
    else
        paintSlots(p);

    if (m_closure)
        paintClosure(p);
    const QRectF dirty = event->rect();
    for (const AppointmentBlock& block : m_blocks)
        if (block.rect().intersects(dirty))
            block.paint(p, pal);

    // Blocks keep 2 pt from the column's edges, so the separator never lies under one.
    if (tinted)
        ColumnSeparator::paint(p, rect(), m_dayEnd, pal);
    if (m_dropPreview)
        m_dropPreview->paint(p, m_geometry, width(), pal);
    if (m_flashId)
        for (const AppointmentBlock& block : m_blocks)
            if (block.appointment().id == *m_flashId)
                p.fillRect(block.rect(), AgendaStyle::accent(pal, 0.25));
    if (m_cursorSlot)
        paintCursor(p);
}

void DentistColumn::flash(qint64 appointmentId)
{
    m_flashId = appointmentId;
    update();
    QTimer::singleShot(1500, this, [this, appointmentId] {
        if (m_flashId == appointmentId) {
            m_flashId.reset();
            update();
        }
    });
}

// A closed day or a retired dentist's day: the column greyed, and what it says of the closure where no
// block lies.
void DentistColumn::paintClosure(QPainter& p) const
{
    const QPalette& pal = palette();
    p.fillRect(rect(), AgendaStyle::primary(pal, 0.07));
    if (const std::optional<ClosureLabel> label = closureLabel())
        label->paint(p, pal);
}

std::optional<ClosureLabel> DentistColumn::closureLabel() const
{
    if (!m_closure)
        return std::nullopt;
    return ClosureLabel::place(m_closure->title, m_closure->detail, width(), m_geometry.rowHeight(),
                               freeStretches());
}

// The stretches of the column that no block covers, top and bottom, from the top down.
QList<std::pair<double, double>> DentistColumn::freeStretches() const
{
    QList<std::pair<double, double>> stretches;
    for (const ColumnCells::Cell& cell : m_cells.cells()) {
        if (cell.appointment)
            continue;
        const double top = m_geometry.slotRect(cell.first, width()).top();
        const double bottom = m_geometry.slotRect(cell.last, width()).bottom();
        if (!stretches.isEmpty() && stretches.last().second >= top)
            stretches.last().second = bottom;
        else
            stretches.append({top, bottom});
    }
    return stretches;
}

// An accent frame around the block or the free slot; a free slot also shows the start that Return books.
void DentistColumn::paintCursor(QPainter& p) const
{
    const QPalette& pal = palette();
    const ColumnCells::Cell& cell = m_cells.cellOfSlot(*m_cursorSlot);
    const QRectF frame = m_geometry.cursorRect(cell, width());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // A closed column offers no start to book.
    if (!cell.appointment && !m_closure) {
        p.fillRect(frame, AgendaStyle::accent(pal, 0.14));
        p.setFont(AgendaStyle::font(AgendaStyle::captionSize, QFont::DemiBold));
        p.setPen(AgendaStyle::accent(pal));
        p.drawText(frame.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("+ ") + Schedule::clockText(GridGeometry::slotStart(cell.first)));
    }
    // Three pixels wide and mostly outside the frame, so that it stands out of a block of any colour.
    p.setPen(QPen(AgendaStyle::accent(pal), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(-0.5, -0.5, 0.5, 0.5), AppointmentBlock::cornerRadius, AppointmentBlock::cornerRadius);
    p.restore();
}

QRectF DentistColumn::cursorRect(int slot) const
{
    return m_geometry.cursorRect(m_cells.cellOfSlot(slot), width());
}

void DentistColumn::setCursorSlot(std::optional<int> slot)
{
    if (slot == m_cursorSlot)
        return;
    // The frame's pen reaches two pixels outside the rectangle.
    if (m_cursorSlot)
        update(cursorRect(*m_cursorSlot).toAlignedRect().adjusted(-3, -3, 3, 3));
    m_cursorSlot = slot;
    if (m_cursorSlot)
        update(cursorRect(*m_cursorSlot).toAlignedRect().adjusted(-3, -3, 3, 3));
}

// The column is opaque: its background, the 43 slot lines and the separator come from one picture of
// four rows (an hour), shared by all columns of this size, laid down the column. The lines repeat
// every hour and the last, partial hour ends with a quarter line like the others.
void DentistColumn::paintSlots(QPainter& p)
{
    const QPalette& pal = palette();
    const qreal dpr = devicePixelRatioF();
    const int rowHeight = int(m_geometry.rowHeight());
    const QSize tileSize(width(), 4 * rowHeight);
    if (tileSize.isEmpty() || m_geometry.rowHeight() != rowHeight || dpr != std::floor(dpr)) {
        paintTintedBackground(p);
        ColumnSeparator::paint(p, rect(), m_dayEnd, pal);
        return;
    }
    const QString key = QStringLiteral("calvora-slots-%1x%2-%3-%4-%5-%6")
                            .arg(tileSize.width())
                            .arg(tileSize.height())
                            .arg(int(m_dayEnd))
                            .arg(pal.color(QPalette::Base).rgba(), 8, 16)
                            .arg(AgendaStyle::primary(pal).rgba(), 8, 16)
                            .arg(dpr);
    QPixmap tile;
    if (!QPixmapCache::find(key, &tile)) {
        tile = QPixmap(tileSize * dpr);
        tile.setDevicePixelRatio(dpr);
        QPainter painter(&tile);
        painter.fillRect(QRect(QPoint(0, 0), tileSize), pal.color(QPalette::Base));
        QList<QLineF> quarters;
        QList<QLineF> hours;
        for (int i = 1; i <= 4; ++i) {
            const double y = m_geometry.lineY(i);
            (GridGeometry::isHourLine(i) ? hours : quarters).append(QLineF(0, y, width(), y));
        }
        paintLines(painter, quarters, hours);
        ColumnSeparator::paint(painter, QRect(QPoint(0, 0), tileSize), m_dayEnd, pal);
        painter.end();
        QPixmapCache::insert(key, tile);
    }
    // One plain copy per hour; a tiled fill would blend the column's rows span by span.
    for (int top = 0; top < height(); top += tileSize.height()) {
        const int rows = std::min(tileSize.height(), height() - top);
        p.drawPixmap(QPointF(0, top), tile, QRectF(0, 0, tileSize.width(), rows));
    }
}

// The background as drawn when a tint lies under the lines: the drop target and the hover row.
void DentistColumn::paintTintedBackground(QPainter& p)
{
    const QPalette& pal = palette();
    const double w = width();
    p.fillRect(rect(), pal.color(QPalette::Base));
    if (m_dropTargeted)
        p.fillRect(rect(), AgendaStyle::accent(pal, 0.08));
    if (m_hoverSlot)
        p.fillRect(m_geometry.slotRect(*m_hoverSlot, w), AgendaStyle::accent(pal, 0.14));
    paintLines(p, m_quarterLines, m_hourLines);
    if (m_hoverSlot) {
        const QRectF row = m_geometry.slotRect(*m_hoverSlot, w);
        p.setFont(AgendaStyle::font(AgendaStyle::captionSize));
        p.setPen(AgendaStyle::secondary(pal));
        p.drawText(row.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("+ ") + Schedule::clockText(GridGeometry::slotStart(*m_hoverSlot)));
    }
}

void DentistColumn::paintLines(QPainter& p, const QList<QLineF>& quarters, const QList<QLineF>& hours) const
{
    const QPalette& pal = palette();
    p.setPen(QPen(AgendaStyle::primary(pal, 0.08), 0.5));
    p.drawLines(quarters);
    p.setPen(QPen(AgendaStyle::primary(pal, 0.25), 1));
    p.drawLines(hours);
}

void DentistColumn::setHoverSlot(std::optional<int> slot)
{
    if (slot == m_hoverSlot)
        return;
    // Only the two affected rows are repainted.
    if (m_hoverSlot)
        update(rowRect(*m_hoverSlot));
    m_hoverSlot = slot;
    if (m_hoverSlot)
        update(rowRect(*m_hoverSlot));
}

void DentistColumn::setDropTargeted(bool targeted)
{
    if (targeted == m_dropTargeted)
        return;
    m_dropTargeted = targeted;
    update();
}

void DentistColumn::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (m_pressPos && m_pressedId && !m_store.readOnly() && (event->buttons() & Qt::LeftButton)
        && (event->pos() - *m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        const qint64 id = *m_pressedId;
        m_pressPos.reset();
        m_pressedId.reset();
        for (const AppointmentBlock& block : m_blocks)
            if (block.appointment().id == id) {
                startDrag(block);
                return;
            }
        return;
    }
    const std::optional<int> slot = m_geometry.slot(pos.y());
    setHoverSlot(slot && isFree(*slot) && rect().contains(event->pos()) ? slot : std::nullopt);
}

void DentistColumn::hideEvent(QHideEvent* event)
{
    // A hidden column (kept for the other mode) comes back without a stale highlight or press.
    m_hoverSlot.reset();
    m_cursorSlot.reset();
    m_dropTargeted = false;
    m_dropPreview.reset();
    m_pressPos.reset();
    m_pressedId.reset();
    QWidget::hideEvent(event);
}

void DentistColumn::leaveEvent(QEvent* event)
{
    setHoverSlot(std::nullopt);
    QWidget::leaveEvent(event);
}

void DentistColumn::mousePressEvent(QMouseEvent* event)
{
    if (const std::optional<int> slot = m_geometry.slot(event->position().y()))
        emit pressed(*slot);
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressPos = event->pos();
    if (const AppointmentBlock* block = blockAt(event->position()))
        m_pressedId = block->appointment().id;
    else
        m_pressedId.reset();
}

void DentistColumn::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressPos) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressPos.reset();
    const std::optional<qint64> pressedId = std::exchange(m_pressedId, std::nullopt);
    if (const AppointmentBlock* block = blockAt(event->position())) {
        if (pressedId == block->appointment().id)
            m_store.setEditing(block->appointment());
        return;
    }
    if (pressedId)
        return;
    const std::optional<int> slot = m_geometry.slot(event->position().y());
    if (!slot)
        return;
    if (m_closure) {
        m_store.setAlertMessage(m_store.closedMessage(m_day, m_dentist.id));
        return;
    }
    if (isFree(*slot))
        m_store.newAppointment(m_day, m_dentist.id, GridGeometry::slotStart(*slot));
}

void DentistColumn::contextMenuEvent(QContextMenuEvent* event)
{
    const AppointmentBlock* block = blockAt(event->pos());
    if (!block) {
        event->ignore();
        return;
    }
    showMenu(block->appointment(), event->globalPos());
}

QMenu* DentistColumn::showMenu(const Appointment& a, const QPoint& globalPos)
{
    // Every item of the menu changes the appointment.
    if (m_store.readOnly())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    BlockMenu::fill(menu, m_store, a, window());
    menu->popup(globalPos);
    return menu;
}

bool DentistColumn::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const AppointmentBlock* block = blockAt(help->pos())) {
            // The plain block's tooltip stays plain, as the block does.
            const AppointmentStatus status = block->status();
            const QString text = AppointmentBlock::toolTip(
                block->appointment(), m_dentist.name,
                status == AppointmentStatus::ToConfirm ? std::nullopt : std::optional(status));
            QToolTip::showText(help->globalPos(), text, this, block->rect().toAlignedRect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}
