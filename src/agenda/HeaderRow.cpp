#include "HeaderRow.h"

#include "AgendaStyle.h"
#include "Cal.h"
#include "Clock.h"
#include "Color.h"
#include "ColumnSeparator.h"
#include "FittedText.h"
#include "GridGeometry.h"
#include "Store.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

QFont dayFont(bool compact)
{
    return AgendaStyle::font(compact ? AgendaStyle::calloutSize : AgendaStyle::title3Size, QFont::DemiBold);
}

QFont dentistFont(bool compact)
{
    return AgendaStyle::font(compact ? AgendaStyle::captionSize : AgendaStyle::calloutSize, QFont::Medium);
}

// Brings a list to count widgets: those no longer needed are hidden and kept in spare (a switch of
// mode may come from inside a label's own event handler), and spare ones are shown again before new
// ones are made.
template <typename W, typename Make>
void resizeWidgets(QList<W*>& list, QList<W*>& spare, qsizetype count, Make make)
{
    while (list.size() > count) {
        W* widget = list.takeLast();
        widget->hide();
        spare.append(widget);
    }
    while (list.size() < count) {
        if (spare.isEmpty()) {
            list.append(make());
        } else {
            W* widget = spare.takeLast();
            widget->show();
            list.append(widget);
        }
    }
}

} // namespace

DayLabel::DayLabel(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setMinimumWidth(0);
}

void DayLabel::setDay(const QDate& day, bool compact)
{
    if (day == m_day && compact == m_compact && !m_text.isEmpty())
        return;
    m_day = day;
    m_compact = compact;
    m_text = Cal::capitalizedFirst(Cal::format(day, compact ? QStringLiteral("EEEEdMMM") : QStringLiteral("EEEEdMMMMy")));
    setToolTip(compact ? QStringLiteral("Apri la vista del giorno") : QString());
    // The whole date, also where the label shows it short.
    setAccessibleName(Cal::capitalizedFirst(Cal::format(day, QStringLiteral("EEEEdMMMMy"))));
    setAccessibleDescription(toolTip());
    setCursor(compact ? Qt::PointingHandCursor : Qt::ArrowCursor);
    updateGeometry();
    update();
}

bool DayLabel::isToday() const
{
    return m_day == Clock::today();
}

QSize DayLabel::sizeHint() const
{
    return QSize(0, QFontMetrics(dayFont(m_compact)).height() + 10);
}

void DayLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool today = isToday();
    if (today)
        p.fillRect(rect(), AgendaStyle::accent(palette(), 0.12));
    const QFont font = dayFont(m_compact);
    p.setFont(font);
    p.setPen(today ? AgendaStyle::accent(palette()) : AgendaStyle::primary(palette()));
    const QRect area = rect().adjusted(2, 5, -2, -5);
    p.drawText(area, Qt::AlignCenter, QFontMetrics(font).elidedText(m_text, Qt::ElideRight, area.width()));
}

void DayLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_compact || !rect().contains(event->pos()))
        return;
    m_store.setAnchor(Cal::nextWorkday(m_day));
    m_store.reload();
    m_store.setMode(ViewMode::Day);
}

DentistHeader::DentistHeader(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void DentistHeader::setDentist(const Dentist& dentist, bool compact, bool isDayEnd)
{
    if (dentist == m_dentist && compact == m_compact && isDayEnd == m_dayEnd)
        return;
    m_dentist = dentist;
    m_compact = compact;
    m_dayEnd = isDayEnd;
    setToolTip(dentist.name + QStringLiteral("\nClic per modificare il nome"));
    setAccessibleName(dentist.name);
    setAccessibleDescription(QStringLiteral("Clic per modificare il nome"));
    updateGeometry();
    update();
}

QString DentistHeader::shownName() const
{
    return FittedText::name(m_dentist.name, QFontMetricsF(dentistFont(m_compact)), textArea().width());
}

QSize DentistHeader::sizeHint() const
{
    return QSize(0, QFontMetrics(dentistFont(m_compact)).height() + 6);
}

void DentistHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), AgendaStyle::withAlpha(colorFromHex(m_dentist.colorHex), 0.22));
    const QFont font = dentistFont(m_compact);
    p.setFont(font);
    p.setPen(AgendaStyle::primary(palette()));
    p.drawText(textArea(), Qt::AlignCenter, shownName());
    ColumnSeparator::paint(p, rect(), m_dayEnd, palette());
}

void DentistHeader::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
        emit clicked(this);
}

HeaderRow::HeaderRow(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
}

void HeaderRow::setContent(const QList<QDate>& days, const QList<Dentist>& dentists, bool compact)
{
    resizeWidgets(m_labels, m_spareLabels, days.size(), [this] {
        auto* label = new DayLabel(m_store, this);
        label->show();
        return label;
    });
    resizeWidgets(m_headers, m_spareHeaders, days.size() * dentists.size(), [this] {
        auto* header = new DentistHeader(this);
        connect(header, &DentistHeader::clicked, this, &HeaderRow::dentistClicked);
        header->show();
        return header;
    });
    m_dentistCount = int(dentists.size());
    for (qsizetype d = 0; d < days.size(); ++d) {
        m_labels[d]->setDay(days[d], compact);
        for (qsizetype j = 0; j < dentists.size(); ++j)
            m_headers[d * dentists.size() + j]->setDentist(dentists[j], compact, j == dentists.size() - 1);
    }
    const int labelHeight = m_labels.isEmpty() ? 0 : m_labels.first()->sizeHint().height();
    const int headerHeight = m_headers.isEmpty() ? 0 : m_headers.first()->sizeHint().height();
    setFixedHeight(std::max(labelHeight + headerHeight, 1) + 1);
    layoutChildren();
}

void HeaderRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void HeaderRow::layoutChildren()
{
    const int days = int(m_labels.size());
    const int labelHeight = m_labels.isEmpty() ? 0 : m_labels.first()->sizeHint().height();
    const int headerHeight = m_headers.isEmpty() ? 0 : m_headers.first()->sizeHint().height();
    for (int d = 0; d < days; ++d) {
        const int left = GridGeometry::columnEdge(d, days, width());
        const int right = GridGeometry::columnEdge(d + 1, days, width());
        m_labels[d]->setGeometry(left, 0, right - left, labelHeight);
    }
    const int columns = days * m_dentistCount;
    for (int c = 0; c < columns && c < m_headers.size(); ++c) {
        const int left = GridGeometry::columnEdge(c, columns, width());
        const int right = GridGeometry::columnEdge(c + 1, columns, width());
        m_headers[c]->setGeometry(left, labelHeight, right - left, headerHeight);
    }
}

void HeaderRow::paintEvent(QPaintEvent*)
{
    // A toolbar-like bar behind the labels, with a divider along its bottom edge.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.fillRect(QRect(0, height() - 1, width(), 1), AgendaStyle::primary(palette(), 0.15));
}
