#include "ScheduleGrid.h"

#include "AccessibleGrid.h"
#include "BlockMenu.h"
#include "Cal.h"
#include "Clock.h"
#include "DentistColumn.h"
#include "GridGeometry.h"
#include "HeaderRow.h"
#include "Store.h"
#include "TimeColumn.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

GridBody::GridBody(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_time(new TimeColumn(this))
{
}

void GridBody::sync()
{
    const QList<QDate> days = m_store.visibleDays();
    m_dentists = m_store.visibleDentists();
    const QList<Dentist>& dentists = m_dentists;
    const bool compact = m_store.mode() == ViewMode::Week;
    const GridGeometry rules(compact);
    const qsizetype count = days.size() * dentists.size();
    // Columns that the other mode does not need are kept hidden for the next switch instead of being
    // destroyed and made again (a switch may also come from inside a column's own event handler).
    while (m_columns.size() > count) {
        DentistColumn* column = m_columns.takeLast();
        column->hide();
        m_spare.append(column);
    }
    while (m_columns.size() < count) {
        DentistColumn* column = m_spare.isEmpty() ? newColumn() : m_spare.takeLast();
        column->show();
        m_columns.append(column);
    }
    for (qsizetype d = 0; d < days.size(); ++d) {
        const std::optional<ClosedPeriod> closed = m_store.closedPeriodOn(days[d]);
        for (qsizetype j = 0; j < dentists.size(); ++j) {
            std::optional<DentistColumn::Closure> closure;
            // A week that could not be read takes no booking; the grid's line says why.
            if (!m_store.weekLoaded())
                closure = DentistColumn::Closure{QStringLiteral("Non caricato"), {}};
            else if (closed)
                closure = DentistColumn::Closure{QStringLiteral("Chiuso"), closed->reason};
            else if (!dentists[j].worksOn(days[d]))
                closure = DentistColumn::Closure{QStringLiteral("Non in attività"),
                                                 Cal::fromDayText(dentists[j].retiredFrom, QStringLiteral("dMMMMy"))};
            const QList<Appointment> appointments = m_store.appointments(days[d], dentists[j].id);
            QHash<qint64, AppointmentStatus> statuses;
            for (const Appointment& a : appointments)
                if (const AppointmentStatus s = m_store.status(a.id).status; s != AppointmentStatus::ToConfirm)
                    statuses.insert(a.id, s);
            m_columns[d * dentists.size() + j]->setContent(days[d], dentists[j], appointments, compact,
                                                          j == dentists.size() - 1, closure, statuses);
        }
    }
    m_time->setRowHeight(rules.rowHeight());
    setFixedHeight(int(rules.height()));
    layoutColumns();
}

DentistColumn* GridBody::newColumn()
{
    auto* column = new DentistColumn(m_store, this);
    connect(column, &DentistColumn::pressed, this, [this, column](int slot) { emit columnPressed(column, slot); });
    return column;
}

void GridBody::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutColumns();
}

void GridBody::layoutColumns()
{
    m_time->setGeometry(0, 0, int(GridGeometry::timeColumnWidth), height());
    const int count = int(m_columns.size());
    for (int c = 0; c < count; ++c) {
        const int left = GridGeometry::columnEdge(c, count, width());
        const int right = GridGeometry::columnEdge(c + 1, count, width());
        m_columns[c]->setGeometry(left, 0, right - left, height());
    }
}

void GridBody::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Base));
}

ScheduleGrid::ScheduleGrid(Store& store, bool scrolls, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_header(new HeaderRow(store, this))
    , m_body(new GridBody(store))
    , m_cursor([&store](const QDate& day, qint64 dentistId) { return ColumnCells(store.appointments(day, dentistId)); })
{
    AccessibleGrid::installFactory();
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Agenda"));
    connect(m_body, &GridBody::columnPressed, this, &ScheduleGrid::pressed);
    connect(&m_store, &Store::placed, this, [this](const Appointment& a) {
        if (placeCursorOn(a))
            cursorMoved(true);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(m_header, &HeaderRow::dentistClicked, this, &ScheduleGrid::dentistClicked);
    m_unloaded = new QLabel(this);
    m_unloaded->setObjectName(QStringLiteral("unloadedNotice"));
    m_unloaded->setAlignment(Qt::AlignCenter);
    m_unloaded->setContentsMargins(8, 6, 8, 6);
    m_unloaded->setStyleSheet(
        QStringLiteral("QLabel { background: palette(alternate-base); font-weight: 600; }"));
    m_unloaded->hide();
    if (scrolls) {
        m_scroll = new QScrollArea(this);
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setWidgetResizable(true);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // The keys belong to the grid, which scrolls to its cursor itself.
        m_scroll->setFocusPolicy(Qt::NoFocus);
        m_scroll->setWidget(m_body);
        // The header stays above the scrolling grid; it leaves room for the scroll bar so the
        // columns of both line up.
        auto* headerLine = new QHBoxLayout;
        headerLine->setContentsMargins(0, 0, m_scroll->verticalScrollBar()->sizeHint().width(), 0);
        headerLine->addWidget(m_header);
        layout->addLayout(headerLine);
        layout->addWidget(m_unloaded);
        layout->addWidget(m_scroll, 1);
    } else {
        m_body->setParent(this);
        layout->addWidget(m_header);
        layout->addWidget(m_unloaded);
        layout->addWidget(m_body);
        layout->addStretch(1);
    }
    sync();
    m_cursor.placeAtStart(Clock::now());
}

void ScheduleGrid::sync()
{
    const QList<QDate> days = m_store.visibleDays();
    m_body->sync();
    m_header->setContent(days, m_body->dentists(), m_store.mode() == ViewMode::Week);
    m_unloaded->setText(m_store.unloadedText());
    m_unloaded->setVisible(!m_store.weekLoaded());
    QList<qint64> dentists;
    for (const Dentist& d : m_body->dentists())
        dentists.append(d.id);
    m_cursor.setGrid(days, dentists);
    // A reload (also one made by another computer) keeps the cursor where it is and never scrolls.
    showCursor();
}

DentistColumn* ScheduleGrid::column(int dayIndex, int dentistIndex) const
{
    const qsizetype n = m_body->dentists().size();
    const qsizetype index = dayIndex * n + dentistIndex;
    if (dentistIndex < 0 || dentistIndex >= n || index < 0 || index >= m_body->columns().size())
        return nullptr;
    return m_body->columns()[index];
}

DentistColumn* ScheduleGrid::cursorColumn() const
{
    return m_cursor.isValid() ? column(m_cursor.dayIndex(), m_cursor.dentistIndex()) : nullptr;
}

std::optional<ScheduleGrid::Command> ScheduleGrid::commandFor(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ShiftModifier && event.key() == Qt::Key_F10)
        return Command::Menu;
    if (modifiers == Qt::ControlModifier) {
        if (event.key() == Qt::Key_Home)
            return Command::FirstDay;
        if (event.key() == Qt::Key_End)
            return Command::LastDay;
        return std::nullopt;
    }
    if (modifiers != Qt::NoModifier)
        return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Up:
        return Command::Up;
    case Qt::Key_Down:
        return Command::Down;
    case Qt::Key_Left:
        return Command::Left;
    case Qt::Key_Right:
        return Command::Right;
    case Qt::Key_PageUp:
        return Command::PreviousPage;
    case Qt::Key_PageDown:
        return Command::NextPage;
    case Qt::Key_Home:
        return Command::FirstSlot;
    case Qt::Key_End:
        return Command::LastSlot;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Command::Open;
    case Qt::Key_Delete:
        return Command::Delete;
#ifdef Q_OS_MACOS
    case Qt::Key_Backspace:
        return Command::Delete;
#endif
    case Qt::Key_Menu:
        return Command::Menu;
    default:
        return std::nullopt;
    }
}

bool ScheduleGrid::event(QEvent* event)
{
    // The grid's keys win over any window shortcut on the same key while the grid has the focus.
    if (event->type() == QEvent::ShortcutOverride && commandFor(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ScheduleGrid::keyPressEvent(QKeyEvent* event)
{
    const std::optional<Command> command = commandFor(*event);
    if (!command) {
        if (!setStatusAtCursor(*event))
            QWidget::keyPressEvent(event);
        return;
    }
    run(*command);
}

bool ScheduleGrid::setStatusAtCursor(const QKeyEvent& event)
{
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !m_cursor.isValid() || m_store.readOnly())
        return false;
    const std::optional<AppointmentStatus> status = BlockMenu::statusOfKey(event.key());
    if (!status)
        return false;
    // On a free slot the key does nothing, as Delete does not.
    if (const ColumnCells::Cell cell = m_cursor.cell(); cell.appointment)
        BlockMenu::setStatus(m_store, cell.appointment->id, *status);
    return true;
}

void ScheduleGrid::run(Command command)
{
    bool moved = false;
    switch (command) {
    case Command::Up:
        moved = m_cursor.up();
        break;
    case Command::Down:
        moved = m_cursor.down();
        break;
    case Command::Left:
        moved = m_cursor.left();
        break;
    case Command::Right:
        moved = m_cursor.right();
        break;
    case Command::PreviousPage:
    case Command::NextPage:
        // The store's reload reaches sync(), which keeps the cursor's weekday, dentist and slot.
        m_store.step(command == Command::NextPage ? 1 : -1);
        moved = true;
        break;
    case Command::FirstSlot:
        moved = m_cursor.toFirstSlot();
        break;
    case Command::LastSlot:
        moved = m_cursor.toLastSlot();
        break;
    case Command::FirstDay:
        moved = m_cursor.toFirstDay();
        break;
    case Command::LastDay:
        moved = m_cursor.toLastDay();
        break;
    case Command::Open:
        openAtCursor();
        break;
    case Command::Delete:
        deleteAtCursor();
        break;
    case Command::Menu:
        openMenuAtCursor();
        break;
    }
    if (moved)
        cursorMoved(true);
}

void ScheduleGrid::pressed(DentistColumn* column, int slot)
{
    const qsizetype dentists = m_body->dentists().size();
    const qsizetype index = m_body->columns().indexOf(column);
    if (index < 0 || dentists == 0)
        return;
    if (m_cursor.moveTo(int(index / dentists), int(index % dentists), slot))
        cursorMoved(false);
}

bool ScheduleGrid::placeCursorOn(const Appointment& appointment)
{
    const qsizetype day = m_store.visibleDays().indexOf(appointment.date());
    qsizetype dentist = -1;
    for (qsizetype j = 0; j < m_body->dentists().size(); ++j)
        if (m_body->dentists()[j].id == appointment.dentistId)
            dentist = j;
    if (day < 0 || dentist < 0)
        return false;
    const int slot = GridGeometry::slotOf(appointment.startMinutes);
    // Already there counts as placed: the caller still scrolls to it.
    return m_cursor.moveTo(int(day), int(dentist), slot)
        || (m_cursor.dayIndex() == day && m_cursor.dentistIndex() == dentist && m_cursor.slot() == slot);
}

void ScheduleGrid::reveal(const Appointment& appointment)
{
    if (!placeCursorOn(appointment))
        return;
    cursorMoved(true);
    if (DentistColumn* column = cursorColumn())
        column->flash(appointment.id);
}

void ScheduleGrid::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_scrolledAtStart)
        return;
    m_scrolledAtStart = true;
    // Once the window's layout has given the scroll area its height.
    QTimer::singleShot(0, this, &ScheduleGrid::scrollToStart);
}

// The cursor's row near the top of the view with the hour before it above, so that what follows is in
// sight.
void ScheduleGrid::scrollToStart()
{
    DentistColumn* column = cursorColumn();
    if (!m_scroll || !column)
        return;
    layout()->activate();
    const double rowHeight = column->geometryRules().rowHeight();
    const int top = column->cursorRect(m_cursor.slot()).toAlignedRect().translated(column->pos()).top();
    m_scroll->verticalScrollBar()->setValue(top - int(4 * rowHeight));
    scrollToCursor();
}

void ScheduleGrid::showCursor()
{
    DentistColumn* target = m_cursorShown ? cursorColumn() : nullptr;
    if (m_markedColumn && m_markedColumn != target)
        m_markedColumn->setCursorSlot(std::nullopt);
    if (target)
        target->setCursorSlot(m_cursor.slot());
    m_markedColumn = target;
}

void ScheduleGrid::cursorMoved(bool scroll)
{
    showCursor();
    if (scroll)
        scrollToCursor();
    announceCursor();
}

void ScheduleGrid::scrollToCursor()
{
    DentistColumn* column = cursorColumn();
    if (!m_scroll || !column)
        return;
    // Right after a switch of view the header's new height may not be laid out yet.
    layout()->activate();
    const QRect frame = column->cursorRect(m_cursor.slot()).toAlignedRect().translated(column->pos());
    const int viewport = m_scroll->viewport()->height();
    const int margin = 8;
    // A block taller than the view shows its top.
    const bool fits = frame.height() + 2 * margin <= viewport;
    const int y = fits ? frame.center().y() : frame.top() - margin + viewport / 2;
    m_scroll->ensureVisible(frame.center().x(), y, 0, fits ? frame.height() / 2 + margin : viewport / 2);
}

void ScheduleGrid::announceCursor()
{
    if (!m_markedColumn)
        return;
    QAccessibleEvent event(m_markedColumn.data(), QAccessible::Focus);
    event.setChild(m_markedColumn->cells().indexOfSlot(m_cursor.slot()));
    QAccessible::updateAccessibility(&event);
}

void ScheduleGrid::focusInEvent(QFocusEvent* event)
{
    // Nothing else of the grid changes with the focus, so it is not repainted as a whole.
    event->accept();
    m_cursorShown = true;
    showCursor();
    // Qt tells assistive technology about the grid itself after this handler; the cursor's cell follows.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            announceCursor();
    });
}

void ScheduleGrid::focusOutEvent(QFocusEvent* event)
{
    event->accept();
    // A menu of the grid's own keeps the cursor in sight.
    if (event->reason() == Qt::PopupFocusReason && QApplication::activePopupWidget()
        && QApplication::activePopupWidget()->parentWidget() == m_markedColumn)
        return;
    m_cursorShown = false;
    showCursor();
}

void ScheduleGrid::openAtCursor()
{
    if (!m_cursor.isValid())
        return;
    const ColumnCells::Cell cell = m_cursor.cell();
    if (cell.appointment)
        m_store.setEditing(*cell.appointment);
    else if (std::optional<QString> closed = m_store.closedMessage(m_cursor.day(), m_cursor.dentistId()))
        m_store.setAlertMessage(closed);
    else
        m_store.newAppointment(m_cursor.day(), m_cursor.dentistId(), GridGeometry::slotStart(m_cursor.slot()));
}

void ScheduleGrid::deleteAtCursor()
{
    if (!m_cursor.isValid())
        return;
    if (const ColumnCells::Cell cell = m_cursor.cell(); cell.appointment)
        m_store.setPendingDelete(*cell.appointment);
}

void ScheduleGrid::openMenuAtCursor()
{
    DentistColumn* column = cursorColumn();
    // The platform may send the menu key both as a key and as a menu request; one menu opens.
    if (!column || QApplication::activePopupWidget())
        return;
    const ColumnCells::Cell cell = column->cells().cellOfSlot(m_cursor.slot());
    if (!cell.appointment)
        return;
    // At the middle of the part of the block that is in view.
    QRect frame = column->cursorRect(m_cursor.slot()).toAlignedRect();
    if (m_scroll) {
        const QRect inView = m_scroll->viewport()->rect().translated(m_body->mapFrom(m_scroll->viewport(), QPoint()));
        const QRect visible = frame.translated(column->pos()) & inView;
        if (!visible.isEmpty())
            frame = visible.translated(-column->pos());
    }
    column->showMenu(*cell.appointment, column->mapToGlobal(frame.center()));
}

void ScheduleGrid::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's menus belong to the columns' blocks; the keyboard's to the cursor.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->ignore();
        return;
    }
    openMenuAtCursor();
}
