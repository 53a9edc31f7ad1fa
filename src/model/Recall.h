#pragma once

#include <QDate>
#include <QString>

#include <optional>

// A patient to call back for a periodic visit (a check-up, a cleaning), set at a visit for a later day.
// It belongs to the appointment that set it (one recall per appointment) and names the patient as that
// appointment does.
struct Recall {
    qint64 id = 0;
    qint64 appointmentId = 0; // the visit that set it
    QString patient;
    QString phone;
    QString kind; // "Controllo", "Igiene" or one of the practice's own
    QDate due;
    // 6 or 12 when the due day follows the visit by that many months (and moves with it); 0 for a day chosen.
    int months = 0;
    QDate lastVisit; // the day of the visit that set it
    int attempts = 0; // calls without an answer
    QString lastAttemptAt; // "yyyy-MM-dd HH:mm:ss", local time; empty before the first
    std::optional<QDate> pausedUntil; // left off the list before this day
    bool doNotCall = false; // kept, never listed
    bool consent = true; // whether the patient agreed to be contacted
    QString createdAt; // "yyyy-MM-dd HH:mm:ss", local time; set by the archive

    bool operator==(const Recall&) const = default;
};

// What the editor asks for an appointment: no recall, one after some months, or one on a chosen day.
struct RecallPlan {
    int months = 0; // 6 or 12; 0 with `day` for a chosen day
    std::optional<QDate> day;
    QString kind;
    bool consent = true;

    [[nodiscard]] bool isSet() const { return months > 0 || day.has_value(); }
    // The due day for a visit on `visit`: that many months later, or the chosen day.
    [[nodiscard]] QDate dueAfter(const QDate& visit) const;
    bool operator==(const RecallPlan&) const = default;
};

namespace Recalls {

// The plan a stored recall stands for.
[[nodiscard]] RecallPlan planOf(const Recall& recall);
// The first day of `month`'s month and the last.
[[nodiscard]] QDate monthStart(const QDate& month);
[[nodiscard]] QDate monthEnd(const QDate& month);
// A booking of the patient from this day on closes the recall (a month before it is due).
[[nodiscard]] QDate closingFrom(const QDate& due);
// Whether the list of `month` shows an open recall on `today`: due in that month or overdue, not paused,
// not marked "do not call", and agreed to.
[[nodiscard]] bool listedIn(const Recall& recall, const QDate& month, const QDate& today);
// Whether two recalls say the same, their ids and creation moments apart (what a change expects to find).
[[nodiscard]] bool same(const std::optional<Recall>& a, const std::optional<Recall>& b);
// "tra 6 mesi", "tra 12 mesi", "il 9/12/2027".
[[nodiscard]] QString planText(const RecallPlan& plan);

} // namespace Recalls
