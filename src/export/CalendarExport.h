#pragma once

#include "Appointment.h"
#include "ICalendar.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

class Store;

// The agenda's appointments as calendar files, read through the Store.
namespace CalendarExport {

// Who reads the file: the practice's own calendars carry the patient's telephone and the notes; the
// invite a patient takes home carries neither.
enum class Audience { Practice, Patient };

// "<id>-<agenda identity>@calvora": the same for an appointment in every file, and never the same for
// two appointments of different agendas whose ids coincide.
[[nodiscard]] QString uid(qint64 id, const QString& agendaIdentity);

// The appointment as an event: "patient – treatment", the practice as the place, the dentist as the
// category.
[[nodiscard]] ICalendar::Event event(const Appointment& a, const QString& agendaIdentity, const QString& dentist,
                                     const QString& practice, Audience audience);

// The appointments of the days from `from` to `to` (cancelled ones are no longer in the agenda), by day
// and start; only the dentist's when one is given. Throws DatabaseError.
[[nodiscard]] ICalendar::Calendar calendar(Store& store, const QDate& from, const QDate& to,
                                           std::optional<qint64> dentistId = std::nullopt);

// The name with the characters that file systems refuse replaced by "-" and without leading dots; may
// be empty.
[[nodiscard]] QString safeFileName(const QString& name);

// Writes the bytes under the path whole or not at all; absent on success, else the Italian reason.
[[nodiscard]] std::optional<QString> save(const QString& path, const QByteArray& bytes);

// The days' appointments into the file; absent on success, else an Italian sentence.
[[nodiscard]] std::optional<QString> exportDays(Store& store, const QDate& from, const QDate& to, const QString& path);

// One appointment as the patient's invite, without telephone or notes; absent on success, else an
// Italian sentence.
[[nodiscard]] std::optional<QString> saveInvite(Store& store, const Appointment& a, const QString& path);

} // namespace CalendarExport
