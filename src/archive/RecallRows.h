#pragma once

#include "Cal.h"
#include "Recall.h"
#include "SQLValue.h"

#include <QString>

// The recalls' columns and rows, the same on both archives. A recall's closing day (a month before it is
// due) is stored beside it, so that both archives judge "booked since" on the same day the model gives.
namespace RecallRows {

// What a recall writes, in the order of args(): the appointment that set it first.
inline const QString written = QStringLiteral(
    "appointment_id, patient, phone, kind, due_day, closes_from, months, last_visit, attempts, last_attempt_at, "
    "paused_until, do_not_call, consent");
// What a read selects: the id, the written columns but the closing day, the moment of creation.
inline const QString read = QStringLiteral(
    "id, appointment_id, patient, phone, kind, due_day, months, last_visit, attempts, last_attempt_at, "
    "paused_until, do_not_call, consent, created_at");
// A recall copied whole into another archive, its id kept: the id, the written columns and the moment of
// creation.
inline const QString copied = QStringLiteral("id, ") + written + QStringLiteral(", created_at");
inline constexpr int copiedCount = 15;

// The values of `written`, in its order.
[[nodiscard]] SQLArgs args(const Recall& r);
// The values of `copied`, in its order: one list per recall.
[[nodiscard]] QList<SQLArgs> copiedArgs(const QList<Recall>& recalls);

// A recall from a row of `read`, through the row's own column readers (NULL reads as 0 or "").
template <typename Integer, typename Text>
[[nodiscard]] Recall fromRow(const Integer& integer, const Text& text)
{
    Recall r;
    r.id = integer(0);
    r.appointmentId = integer(1);
    r.patient = text(2);
    r.phone = text(3);
    r.kind = text(4);
    r.due = Cal::parseDayKey(text(5)).value_or(QDate());
    r.months = int(integer(6));
    r.lastVisit = Cal::parseDayKey(text(7)).value_or(QDate());
    r.attempts = int(integer(8));
    r.lastAttemptAt = text(9);
    r.pausedUntil = Cal::parseDayKey(text(10));
    r.doNotCall = integer(11) != 0;
    r.consent = integer(12) != 0;
    r.createdAt = text(13);
    return r;
}

} // namespace RecallRows
