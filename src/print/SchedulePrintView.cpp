#include "SchedulePrintView.h"

#include "AppointmentText.h"
#include "Cal.h"
#include "Clock.h"
#include "Color.h"
#include "HeaderNames.h"
#include "PageGeometry.h"
#include "PageLegend.h"
#include "PageText.h"
#include "Schedule.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QColor white(qreal level)
{
    return QColor::fromRgbF(float(level), float(level), float(level));
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

void line(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& color, qreal width)
{
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(from, to);
}

// A line of text vertically centred on `middle`, inset `inset` on both sides of [left, left + width].
QRectF centredLine(qreal left, qreal width, qreal middle, qreal height, qreal inset)
{
    return {left + inset, middle - height / 2, width - 2 * inset, height};
}

// Everything one page's drawing steps share.
struct PageContext {
    QPainter& painter;
    const SchedulePrintView& view;
    const QList<QDate>& days;
    const PageText& text;
    const HeaderNames& header;
    PageGeometry geometry;
};

void drawHeading(const PageContext& c, int index)
{
    const QRectF& r = c.geometry.page();
    const QColor ink = c.view.ink();
    c.text.drawLine(c.painter, {r.left(), r.top() + 2, r.width() / 2, 16}, Qt::AlignLeft, 12,
                    {{c.view.studioName(), TextFace::Bold, ink}});
    c.text.drawLine(c.painter, {r.left() + r.width() / 2 - 50, r.top() + 3, r.width() / 2 + 50, 16},
                    Qt::AlignRight, 11, {{c.view.pageTitle(index), TextFace::Bold, ink}});
}

// The first of the texts (longest first) that fits the width whole in bold; the last, to be cut, when
// none does.
QString firstFitting(const PageText& text, const QStringList& candidates, qreal size, qreal width)
{
    for (const QString& candidate : candidates)
        if (text.width({candidate, TextFace::Bold, {}}, size) <= width)
            return candidate;
    return candidates.last();
}

// What a closed day says of itself, longest first.
QStringList closedLabels(const QString& reason)
{
    QStringList labels;
    if (!reason.isEmpty())
        labels << QStringLiteral("Studio chiuso: ") + reason;
    return labels << QStringLiteral("Studio chiuso") << QStringLiteral("Chiuso");
}

// A closed day without appointments says so across its dentists' cells; one that still holds some (a
// closure decided after they were booked) keeps the cells, so that its appointments have their dentists.
std::optional<QString> closedAcrossHeaders(const PageContext& c, int day)
{
    const auto closed = c.view.closedDays().constFind(c.days.value(day));
    if (closed == c.view.closedDays().constEnd())
        return std::nullopt;
    if (!c.view.appointments().value(Cal::dayKey(c.days[day])).isEmpty())
        return std::nullopt;
    return *closed;
}

void drawDayBand(const PageContext& c, int d)
{
    const QRectF band = c.geometry.dayBand(d);
    c.painter.fillRect(band, white(0.86));
    const QString day = Cal::capitalizedFirst(Cal::format(c.days[d], QStringLiteral("EEEEdMMMM")));
    QStringList labels;
    const auto closed = c.view.closedDays().constFind(c.days[d]);
    if (closed != c.view.closedDays().constEnd() && !closedAcrossHeaders(c, d))
        for (const QString& label : closedLabels(*closed))
            labels << day + QStringLiteral(" \u2013 ") + label;
    labels << day;
    const QString label = firstFitting(c.text, labels, 9, band.width() - 4);
    c.text.drawLine(c.painter, centredLine(band.left(), band.width(), band.center().y(),
                                           c.text.lineHeight(TextFace::Bold, 9), 2),
                    Qt::AlignHCenter, 9, {{label, TextFace::Bold, c.view.ink()}});
}

void drawDayHeaders(const PageContext& c)
{
    const PageGeometry& g = c.geometry;
    const qreal nameSize = g.dentistNameSize();
    const qreal nameLine = c.text.lineHeight(TextFace::Bold, nameSize);
    for (int d = 0; d < c.days.size(); ++d) {
        drawDayBand(c, d);
        if (const std::optional<QString> reason = closedAcrossHeaders(c, d)) {
            const QRectF cells = g.dentistCell(d, 0).united(g.dentistCell(d, g.columnsPerDay() - 1));
            c.painter.fillRect(cells, white(0.88));
            const QString label = firstFitting(c.text, closedLabels(*reason), nameSize, cells.width() - 4);
            c.text.drawLine(c.painter, centredLine(cells.left(), cells.width(), cells.center().y(), nameLine, 2),
                            Qt::AlignHCenter, nameSize, {{label, TextFace::Bold, c.view.ink()}});
            continue;
        }
        for (int j = 0; j < c.view.dentists().size(); ++j) {
            const Dentist& dentist = c.view.dentists()[j];
            const QRectF cell = g.dentistCell(d, j);
            c.painter.fillRect(cell, withOpacity(colorFromHex(dentist.colorHex), 0.25));
            const QStringList lines = c.header.cells().value(j);
            qreal top = cell.center().y() - nameLine * lines.size() / 2;
            for (const QString& label : lines) {
                c.text.drawLine(c.painter, {cell.left() + 2, top, cell.width() - 4, nameLine}, Qt::AlignHCenter,
                                nameSize, {{label, TextFace::Bold, c.view.ink()}});
                top += nameLine;
            }
        }
    }
}

void drawRows(const PageContext& c)
{
    const PageGeometry& g = c.geometry;
    const QRectF& r = g.page();
    const qreal hourLine = c.text.lineHeight(TextFace::DigitsBold, 7);
    const qreal quarterLine = c.text.lineHeight(TextFace::DigitsRegular, 6);
    for (int i = 0; i < PageGeometry::rowCount; ++i) {
        const int m = PageGeometry::rowMinutes(i);
        const qreal top = g.rowTop(i);
        const qreal middle = top + g.rowHeight() / 2;
        if ((m / 60) % 2 == 0)
            c.painter.fillRect(QRectF(r.left(), top, r.width(), g.rowHeight()), white(0.955));
        const bool hour = m % 60 == 0;
        const qreal height = hour ? hourLine : quarterLine;
        const TextRun label{Schedule::clockText(m), hour ? TextFace::DigitsBold : TextFace::DigitsRegular,
                            hour ? c.view.ink() : c.view.gray()};
        c.text.drawLine(c.painter, {r.left() + 2, middle - height / 2, 24, height}, Qt::AlignRight,
                        hour ? 7 : 6, {label});
    }
}

// Closed days (their reason is in the header), and the columns of dentists who no longer work then: shaded.
void drawClosures(const PageContext& c)
{
    const PageGeometry& g = c.geometry;
    const QColor shade = white(0.88);
    for (int d = 0; d < c.days.size(); ++d) {
        if (c.view.closedDays().contains(c.days[d])) {
            c.painter.fillRect(QRectF(g.columnLeft(d, 0), g.bodyTop(), g.columnWidth() * g.columnsPerDay(),
                                      g.bodyBottom() - g.bodyTop()),
                               shade);
            continue;
        }
        for (int j = 0; j < c.view.dentists().size(); ++j)
            if (!c.view.dentists()[j].worksOn(c.days[d]))
                c.painter.fillRect(QRectF(g.columnLeft(d, j), g.bodyTop(), g.columnWidth(), g.bodyBottom() - g.bodyTop()),
                                   shade);
    }
}

void drawRules(const PageContext& c)
{
    const PageGeometry& g = c.geometry;
    const QRectF& r = g.page();
    for (int i = 0; i <= PageGeometry::rowCount; ++i) {
        const qreal y = g.rowTop(i);
        if (PageGeometry::rowMinutes(i) % 60 == 0)
            line(c.painter, {r.left(), y}, {r.right(), y}, white(0.45), 0.6);
        else
            line(c.painter, {g.gridLeft(), y}, {r.right(), y}, white(0.75), 0.25);
    }
    for (int col = 0; col <= g.columns(); ++col) {
        const qreal x = g.columnX(col);
        if (g.isDayEdge(col))
            line(c.painter, {x, g.gridTop()}, {x, g.bodyBottom()}, c.view.ink(), 1.2);
        else {
            // Across a closed day's header may run its reason instead of the dentists' cells.
            const bool closed = closedAcrossHeaders(c, col / g.columnsPerDay()).has_value();
            line(c.painter, {x, closed ? g.bodyTop() : g.gridTop() + PageGeometry::dayBandHeight}, {x, g.bodyBottom()},
                 white(0.55), 0.4);
        }
    }
    line(c.painter, {r.left(), g.bodyTop()}, {r.left(), g.bodyBottom()}, white(0.45), 0.6);
}

// The name in two lines, broken between words so that the first line fits; one line when it fits
// whole or has a single word.
QStringList wrappedName(const PageText& text, const QString& name, qreal size, qreal width)
{
    const QStringList words = name.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || text.width({name, TextFace::Bold, {}}, size) <= width)
        return {name};
    qsizetype first = 1;
    while (first < words.size() - 1
           && text.width({words.mid(0, first + 1).join(u' '), TextFace::Bold, {}}, size) <= width)
        ++first;
    return {words.mid(0, first).join(u' '), words.mid(first).join(u' ')};
}

void drawAppointment(const PageContext& c, const Appointment& a, const QRectF& box, const QColor& color,
                     qreal size, qreal lineHeight)
{
    QPainterPath outline;
    outline.addRoundedRect(box, 1.5, 1.5);
    c.painter.fillPath(outline, Qt::white);
    c.painter.fillPath(outline, withOpacity(color, 0.2));
    c.painter.strokePath(outline, QPen(color, 0.8));

    const QRectF area = box.adjusted(2, 0.5, -2, -0.5);
    const int capacity = AppointmentText::capacity(area.height(), lineHeight);
    AppointmentText::Room room;
    // Four or more dentists a day make narrow columns: there the patient's name may take two lines.
    if (c.geometry.columnsPerDay() >= 4)
        room.patientLines = wrappedName(c.text, a.patient, size, area.width());
    // A telephone number is of no use cut.
    room.phoneFits =
        c.text.width({AppointmentText::phoneLine(a.phone), TextFace::Regular, {}}, size) <= area.width();
    room.wrap = [&](const TextRun& run, int maxLines) { return c.text.wrapped(run, size, area.width(), maxLines); };
    room.fits = [&](const TextLine& line) {
        qreal total = 0;
        for (const TextRun& run : line)
            total += c.text.width(run, size);
        return total <= area.width();
    };
    const QList<TextLine> lines = AppointmentText::lines(a, capacity, c.view.ink(), c.view.gray(), room);
    if (capacity < 2) {
        c.text.drawLine(c.painter, {area.left(), box.center().y() - lineHeight / 2, area.width(), lineHeight},
                        Qt::AlignLeft, size, lines.first());
        return;
    }
    qreal y = area.top();
    for (const TextLine& textLine : lines) {
        c.text.drawLine(c.painter, {area.left(), y, area.width(), lineHeight}, Qt::AlignLeft, size, textLine);
        y += lineHeight;
    }
}

void drawAppointments(const PageContext& c)
{
    const PageGeometry& g = c.geometry;
    const qreal size = g.appointmentTextSize();
    const qreal lineHeight = c.text.lineHeight(TextFace::Regular, size);
    for (int d = 0; d < c.days.size(); ++d) {
        const QList<Appointment> dayList = c.view.appointments().value(Cal::dayKey(c.days[d]));
        for (int j = 0; j < c.view.dentists().size(); ++j) {
            const Dentist& dentist = c.view.dentists()[j];
            const QColor color = colorFromHex(dentist.colorHex);
            for (const Appointment& a : dayList) {
                if (a.dentistId == dentist.id)
                    drawAppointment(c, a, g.appointmentBox(d, j, a.startMinutes, a.durationMinutes), color,
                                    size, lineHeight);
            }
        }
    }
}

void drawFooter(const PageContext& c, int index)
{
    const QRectF& r = c.geometry.page();
    const QDateTime now = Clock::now();
    const QString printed = QStringLiteral("Stampato il ") + Cal::format(now, QStringLiteral("ddMMyyyy"))
                            + QStringLiteral(" alle ") + Cal::format(now, QStringLiteral("HHmm"));
    const qreal top = r.bottom() - 9;
    c.text.drawLine(c.painter, {r.left(), top, r.width() / 2, 9}, Qt::AlignLeft, 6.5,
                    {{printed, TextFace::Regular, c.view.gray()}});
    if (c.view.pageCount() < 2)
        return;
    const QString number = QStringLiteral("Pagina %1 di %2").arg(index + 1).arg(c.view.pageCount());
    c.text.drawLine(c.painter, {r.left() + r.width() / 2, top, r.width() / 2, 9}, Qt::AlignRight, 6.5,
                    {{number, TextFace::Regular, c.view.gray()}});
}

// The dentists' names over the columns of a page, by the one rule that fits the job's narrowest page.
HeaderNames headerNames(const SchedulePrintView& view, const PageText& text, const PageGeometry& page)
{
    QStringList names;
    for (const Dentist& dentist : view.dentists())
        names.append(dentist.name);
    const auto widthAt = [&text](qreal size) {
        return [&text, size](const QString& name) { return text.width({name, TextFace::Bold, {}}, size); };
    };
    int mostDays = 1;
    for (const QList<QDate>& days : view.pages())
        mostDays = std::max(mostDays, int(days.size()));
    const PageGeometry narrowest(page.page(), mostDays, page.columnsPerDay());
    const HeaderNames::Form form =
        HeaderNames::choose(names, narrowest.columnWidth() - 4, widthAt(narrowest.dentistNameSize())).form();
    return HeaderNames::inForm(form, names, page.columnWidth() - 4, widthAt(page.dentistNameSize()));
}

} // namespace

SchedulePrintView::SchedulePrintView(QList<QList<QDate>> pages, QList<Dentist> dentists,
                                     QMap<QString, QList<Appointment>> appointments, QString studioName,
                                     QString title, QSizeF pageSize, QColor ink, QColor gray)
    : m_pages(std::move(pages))
    , m_dentists(std::move(dentists))
    , m_appointments(std::move(appointments))
    , m_studioName(std::move(studioName))
    , m_title(std::move(title))
    , m_pageSize(pageSize)
    , m_ink(ink)
    , m_gray(gray)
{
}

QRectF SchedulePrintView::frame() const
{
    return {0, 0, m_pageSize.width(), m_pageSize.height() * pageCount()};
}

QRectF SchedulePrintView::pageRect(int index) const
{
    return {0, m_pageSize.height() * index, m_pageSize.width(), m_pageSize.height()};
}

QString SchedulePrintView::pageTitle(int index) const
{
    if (pageCount() < 2 || !m_twoSided)
        return m_title;
    return m_title + QStringLiteral("  \u2014  ")
           + (index == 0 ? QStringLiteral("Fronte") : QStringLiteral("Retro"));
}

void SchedulePrintView::draw(QPainter& painter, const QRectF& area) const
{
    for (int i = 0; i < pageCount(); ++i) {
        if (pageRect(i).intersects(area))
            drawPage(painter, i, pageRect(i));
    }
}

void SchedulePrintView::drawPage(QPainter& painter, int index, const QRectF& rect) const
{
    if (index < 0 || index >= pageCount())
        return;
    const QList<QDate>& days = m_pages[index];
    const PageText text(painter.device());
    const PageGeometry plain(rect, int(days.size()), int(m_dentists.size()));
    const HeaderNames header = headerNames(*this, text, plain);
    const PageLegend legend(text, m_dentists, header, rect.width(), m_ink, m_gray);
    const qreal nameLines = text.lineHeight(TextFace::Bold, plain.dentistNameSize()) * header.lineCount() + 2;
    const PageGeometry::Bands bands{std::max(PageGeometry::dentistBandHeight, nameLines),
                                    PageGeometry::footerHeight + legend.height()};
    const PageContext c{painter, *this, days, text, header,
                        PageGeometry(rect, int(days.size()), int(m_dentists.size()), bands)};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect, Qt::white);
    drawHeading(c, index);
    drawDayHeaders(c);
    drawRows(c);
    drawClosures(c);
    drawRules(c);
    drawAppointments(c);
    legend.draw(painter, text, {rect.left(), c.geometry.bodyBottom()});
    drawFooter(c, index);
    painter.restore();
}
