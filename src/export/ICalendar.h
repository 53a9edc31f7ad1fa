#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// Writing iCalendar files (RFC 5545): the agenda's appointments as events that calendar programs and
// phones read. Times are wall-clock times of the practice in Europe/Rome, whose time-zone rules travel
// inside the file; nothing here reads the clock or the archive.
namespace ICalendar {

inline constexpr const char* timeZoneId = "Europe/Rome";

struct Event {
    QString uid;          // the same for the same appointment in every file
    QDate day;
    int startMinutes = 0; // minutes after midnight, local time of the practice
    int durationMinutes = 0;
    QString summary;
    QString location;     // left out when empty
    QString category;     // left out when empty
    QString description;  // left out when empty; may hold line breaks
};

struct Calendar {
    QString name; // the name a subscribing program shows; left out when empty
    QList<Event> events;
    // The identity of the agenda that keeps the file in the practice's calendar folder, written so that
    // the folder's keeper knows its own files; left out when empty (exports and invites).
    QString keptBy;
};

// The whole file, UTF-8 with CRLF line ends and lines folded at 75 octets. `stamp` (any time zone) is
// written as every event's DTSTAMP, in UTC; the rest depends on the calendar alone.
[[nodiscard]] QByteArray write(const Calendar& calendar, const QDateTime& stamp);

// A TEXT value: backslash, semicolon and comma escaped, every line break as "\n", other control
// characters left out.
[[nodiscard]] QString escaped(const QString& text);
// One content line (without its end) folded so that no line exceeds 75 octets, never inside a UTF-8
// character; every line ends with CRLF.
[[nodiscard]] QByteArray folded(const QByteArray& line);
// The identity a file written by write() names in keptBy, read from the file's first lines (`head` may
// be the file's first kilobyte); empty for any other file.
[[nodiscard]] QString keptBy(const QByteArray& head);
// Whether two files written by write() differ in more than their DTSTAMP lines.
[[nodiscard]] bool sameButStamp(const QByteArray& a, const QByteArray& b);

} // namespace ICalendar
