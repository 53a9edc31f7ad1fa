#pragma once

#include <QList>
#include <QString>

struct Appointment;

// The practice's opening hours, as whole minutes after midnight.
namespace Schedule {

inline constexpr int openingMinutes = 540;  // 09:00: no appointment starts earlier
inline constexpr int closingMinutes = 1185; // 19:45: no appointment ends later
inline constexpr int slotMinutes = 15;
inline constexpr int defaultDurationMinutes = 30;
inline constexpr int slotCount = (closingMinutes - openingMinutes) / slotMinutes; // 43
inline constexpr int middayMinutes = 780; // 13:00: where the morning ends and the afternoon begins

// 09:00, 09:15, … 19:30: one entry per row of the agenda (43).
[[nodiscard]] const QList<int>& startTimes();
// 15, 30, … 240: the lengths the editor offers (16).
[[nodiscard]] const QList<int>& durations();

// The grid starts from `earliest` on at which an appointment of `duration` minutes ends by `latestEnd`
// and overlaps none of `taken` (one dentist's appointments of one day; touching is allowed), ascending.
[[nodiscard]] QList<int> freeStarts(const QList<Appointment>& taken, int duration, int earliest = openingMinutes,
                                    int latestEnd = closingMinutes);

// "%02d:%02d" of minutes / 60 and minutes % 60, e.g. 09:15.
[[nodiscard]] QString clockText(int minutes);

} // namespace Schedule

// "45 min", "2 h", "1 h 30 min".
[[nodiscard]] QString formatDuration(int minutes);
