#include "ScheduleGrid.h"

#include "DentistColumn.h"
#include "GridGeometry.h"
#include "HeaderRow.h"
#include "Store.h"
#include "TimeColumn.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
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
    const QList<Dentist>& dentists = m_store.dentists();
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
        DentistColumn* column = m_spare.isEmpty() ? new DentistColumn(m_store, this) : m_spare.takeLast();
        column->show();
        m_columns.append(column);
    }
    for (qsizetype d = 0; d < days.size(); ++d)
        for (qsizetype j = 0; j < dentists.size(); ++j)
            m_columns[d * dentists.size() + j]->setContent(days[d], dentists[j],
                                                          m_store.appointments(days[d], dentists[j].id), compact,
                                                          j == dentists.size() - 1);
    m_time->setRowHeight(rules.rowHeight());
    setFixedHeight(int(rules.height()));
    layoutColumns();
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
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(m_header, &HeaderRow::dentistClicked, this, &ScheduleGrid::dentistClicked);
    if (scrolls) {
        m_scroll = new QScrollArea(this);
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setWidgetResizable(true);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setWidget(m_body);
        // The header stays above the scrolling grid; it leaves room for the scroll bar so the
        // columns of both line up.
        auto* headerLine = new QHBoxLayout;
        headerLine->setContentsMargins(0, 0, m_scroll->verticalScrollBar()->sizeHint().width(), 0);
        headerLine->addWidget(m_header);
        layout->addLayout(headerLine);
        layout->addWidget(m_scroll, 1);
    } else {
        m_body->setParent(this);
        layout->addWidget(m_header);
        layout->addWidget(m_body);
        layout->addStretch(1);
    }
    sync();
}

void ScheduleGrid::sync()
{
    m_header->setContent(m_store.visibleDays(), m_store.dentists(), m_store.mode() == ViewMode::Week);
    m_body->sync();
}

DentistColumn* ScheduleGrid::column(int dayIndex, int dentistIndex) const
{
    const qsizetype n = m_store.dentists().size();
    const qsizetype index = dayIndex * n + dentistIndex;
    if (dentistIndex < 0 || dentistIndex >= n || index < 0 || index >= m_body->columns().size())
        return nullptr;
    return m_body->columns()[index];
}
