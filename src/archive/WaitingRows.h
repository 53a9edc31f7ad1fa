#pragma once

#include "Cal.h"
#include "SQLValue.h"
#include "WaitingEntry.h"

#include <QString>

// The waiting list's columns and rows, the same on both archives.
namespace WaitingRows {

// What an entry writes, in the order of args().
inline const QString written = QStringLiteral(
    "patient, phone, duration_min, dentist_id, weekdays, day_part, from_day, until_day, note");
// What a read selects: the id, the written columns (a dentist of NULL read as 0), the moment of creation.
inline const QString read = QStringLiteral("id, patient, phone, duration_min, COALESCE(dentist_id, 0), weekdays, "
                                           "day_part, from_day, until_day, note, created_at");

// An entry copied whole into another archive: the written columns and the moment of creation.
inline const QString copied = written + QStringLiteral(", created_at");

// The values of `written`, in its order.
[[nodiscard]] SQLArgs args(const WaitingEntry& e);
// The values of `copied`, in its order: one list per entry.
[[nodiscard]] QList<SQLArgs> copiedArgs(const QList<WaitingEntry>& entries);

// An entry from a row of `read`, through the row's own column readers (NULL reads as 0 or "").
template <typename Integer, typename Text>
[[nodiscard]] WaitingEntry fromRow(const Integer& integer, const Text& text)
{
    WaitingEntry e;
    e.id = integer(0);
    e.patient = text(1);
    e.phone = text(2);
    e.durationMinutes = int(integer(3));
    if (const qint64 dentist = integer(4); dentist != 0)
        e.dentistId = dentist;
    e.weekdays = int(integer(5));
    e.part = DayParts::fromKey(text(6));
    e.from = Cal::parseDayKey(text(7)).value_or(QDate());
    e.until = Cal::parseDayKey(text(8));
    e.note = text(9);
    e.createdAt = text(10);
    return e;
}

} // namespace WaitingRows
