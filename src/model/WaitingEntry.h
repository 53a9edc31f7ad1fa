#pragma once

#include <QDate>
#include <QString>

#include <optional>
#include <utility>

// A part of the working day a patient can come in.
enum class DayPart { Any, Morning, Afternoon };

namespace DayParts {

// Its minutes: the whole day 09:00–19:45, the morning 09:00–13:00, the afternoon 13:00–19:45.
[[nodiscard]] std::pair<int, int> range(DayPart part);
// "Tutto il giorno", "Mattina (09:00–13:00)", "Pomeriggio (13:00–19:45)".
[[nodiscard]] QString label(DayPart part);
// 'qualsiasi', 'mattina', 'pomeriggio', as stored; an unknown key reads as the whole day.
[[nodiscard]] QString key(DayPart part);
[[nodiscard]] DayPart fromKey(const QString& key);

} // namespace DayParts

// A patient on the waiting list: who wants an earlier (or any) appointment, how long, with whom (any
// dentist when absent), on which weekdays and part of the day, from and until which day (open when
// absent), and why.
struct WaitingEntry {
    // Bit i stands for weekday i, Monday 0 … Friday 4.
    static constexpr int everyWorkday = 0x1f;

    qint64 id = 0;
    QString patient;
    QString phone;
    int durationMinutes = 30;
    std::optional<qint64> dentistId;
    int weekdays = everyWorkday;
    DayPart part = DayPart::Any;
    QDate from;
    std::optional<QDate> until;
    QString note;
    QString createdAt; // "yyyy-MM-dd HH:mm:ss", local time; set by the archive

    [[nodiscard]] bool wantsWeekday(int index) const { return (weekdays >> index & 1) != 0; }
    // Whether the day lies within from and until and on a wanted weekday.
    [[nodiscard]] bool wantsDay(const QDate& day) const;
    // "Lun, Mer, Ven", or "Tutti i giorni".
    [[nodiscard]] QString weekdaysText() const;
    bool operator==(const WaitingEntry&) const = default;
};
