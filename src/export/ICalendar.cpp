#include "ICalendar.h"

#include <algorithm>

namespace {

constexpr qsizetype maxOctets = 75;
constexpr const char* productLine = "PRODID:-//Calvora//Agenda dello studio//IT";
constexpr const char* keptByName = "X-CALVORA-KEPT-BY";

// The rules in force in Italy since 1996 (the EU's): summer time from the last Sunday of March at 02:00
// to the last Sunday of October at 03:00. Written out rather than taken from the system's time-zone
// data, so that every computer writes the same bytes.
const char* const romeTimeZone = "BEGIN:VTIMEZONE\n"
                                 "TZID:Europe/Rome\n"
                                 "BEGIN:DAYLIGHT\n"
                                 "TZOFFSETFROM:+0100\n"
                                 "TZOFFSETTO:+0200\n"
                                 "TZNAME:CEST\n"
                                 "DTSTART:19700329T020000\n"
                                 "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\n"
                                 "END:DAYLIGHT\n"
                                 "BEGIN:STANDARD\n"
                                 "TZOFFSETFROM:+0200\n"
                                 "TZOFFSETTO:+0100\n"
                                 "TZNAME:CET\n"
                                 "DTSTART:19701025T030000\n"
                                 "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\n"
                                 "END:STANDARD\n"
                                 "END:VTIMEZONE";

bool isContinuation(char octet)
{
    return (static_cast<unsigned char>(octet) & 0xC0) == 0x80;
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// "20260329T093000"; an appointment may end at midnight, the next day's 00:00.
QByteArray localTime(const QDate& day, int minutes)
{
    constexpr int perDay = 24 * 60;
    const int inDay = minutes % perDay;
    const QDate date = day.addDays(minutes / perDay);
    return QByteArray::number(date.year()).rightJustified(4, '0') + twoDigits(date.month()) + twoDigits(date.day())
        + 'T' + twoDigits(inDay / 60) + twoDigits(inDay % 60) + "00";
}

void appendFolded(QByteArray& out, QByteArrayView line)
{
    qsizetype from = 0;
    qsizetype room = maxOctets;
    while (line.size() - from > room) {
        qsizetype cut = from + room;
        while (cut > from && isContinuation(line[cut]))
            --cut;
        out.append(line.sliced(from, cut - from));
        out.append("\r\n ");
        from = cut;
        room = maxOctets - 1; // the leading space counts
    }
    out.append(line.sliced(from));
    out.append("\r\n");
}

class Lines {
public:
    explicit Lines(qsizetype expected) { m_out.reserve(expected); }
    void add(QByteArrayView line) { appendFolded(m_out, line); }
    void add(const char* name, const QString& value)
    {
        m_line = name;
        m_line += ':';
        m_line += value.toUtf8();
        add(m_line);
    }
    void text(const char* name, const QString& value)
    {
        if (!value.isEmpty())
            add(name, ICalendar::escaped(value));
    }
    [[nodiscard]] const QByteArray& bytes() const { return m_out; }

private:
    QByteArray m_out;
    QByteArray m_line; // reused, to spare an allocation per line
};

void addEvent(Lines& lines, const ICalendar::Event& e, const QByteArray& stamp)
{
    const QByteArray zone = QByteArray(";TZID=") + ICalendar::timeZoneId + ':';
    lines.add("BEGIN:VEVENT");
    lines.text("UID", e.uid);
    lines.add("DTSTAMP:" + stamp);
    lines.add("DTSTART" + zone + localTime(e.day, e.startMinutes));
    lines.add("DTEND" + zone + localTime(e.day, e.startMinutes + e.durationMinutes));
    lines.text("SUMMARY", e.summary);
    lines.text("LOCATION", e.location);
    lines.text("CATEGORIES", e.category);
    lines.text("DESCRIPTION", e.description);
    lines.add("END:VEVENT");
}

} // namespace

namespace ICalendar {

QString escaped(const QString& text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c != u'\\' && c != u';' && c != u',' && c.unicode() != 0x7F
            && c != QChar(0x2028) && c != QChar(0x2029);
    });
    if (plain)
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // the \n that follows stands for both
        if (c == u'\\' || c == u';' || c == u',')
            out += u'\\' + QString(c);
        else if (c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029))
            out += QStringLiteral("\\n");
        else if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out += c;
        else if (c == u'\t')
            out += u' ';
    }
    return out;
}

QByteArray folded(const QByteArray& line)
{
    QByteArray out;
    appendFolded(out, line);
    return out;
}

QByteArray write(const Calendar& calendar, const QDateTime& stamp)
{
    const QByteArray utcStamp = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    Lines lines(4096 + calendar.events.size() * 400);
    lines.add("BEGIN:VCALENDAR");
    lines.add("VERSION:2.0");
    lines.add(productLine);
    lines.text(keptByName, calendar.keptBy);
    lines.add("CALSCALE:GREGORIAN");
    lines.text("X-WR-CALNAME", calendar.name);
    lines.add(QByteArray("X-WR-TIMEZONE:") + timeZoneId);
    for (const QByteArray& zoneLine : QByteArray(romeTimeZone).split('\n'))
        lines.add(zoneLine);
    for (const Event& e : calendar.events)
        addEvent(lines, e, utcStamp);
    lines.add("END:VCALENDAR");
    return lines.bytes();
}

QString keptBy(const QByteArray& head)
{
    // The third and fourth lines of write(), whole; a file of another program lacks at least one.
    const QList<QByteArray> lines = head.split('\n');
    const QByteArray name = QByteArray(keptByName) + ':';
    if (lines.size() < 5 || lines[2] != QByteArray(productLine) + '\r' || !lines[3].startsWith(name)
        || !lines[3].endsWith('\r'))
        return {};
    return QString::fromUtf8(lines[3].sliced(name.size()).chopped(1));
}

bool sameButStamp(const QByteArray& a, const QByteArray& b)
{
    const auto withoutStamps = [](const QByteArray& bytes) {
        QList<QByteArray> kept;
        for (const QByteArray& line : bytes.split('\n'))
            if (!line.startsWith("DTSTAMP:"))
                kept.append(line);
        return kept;
    };
    return withoutStamps(a) == withoutStamps(b);
}

} // namespace ICalendar
