#pragma once

#include "AgendaArchive.h"
#include "Appointment.h"
#include "ClosedDays.h"
#include "Dentist.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Where the practice's changes live in the settings table, so that an older copy of the program, which
// reads only the dentists' rows and the practice name, still opens the file.
inline const QString closedDaysKey = QStringLiteral("closed_days");
// The last year whose national holidays the practice chose not to add to the closed days.
inline const QString holidaysDeclinedKey = QStringLiteral("holidays_declined_year");

// The practice's operators: a JSON array of names, in the practice's order; no row while none are named.
inline const QString operatorsKey = QStringLiteral("operators");
// The agenda's random name (Store::agendaIdentity).
inline const QString identityKey = QStringLiteral("agenda_identity");
// The practice's recovery key, one row so the key and its day never come apart: {"public": base64,
// "created": ISO UTC}.
inline const QString recoveryKeyKey = QStringLiteral("recovery_key");

// "dentist_<id>_retired_from": the day key from which the dentist no longer works.
[[nodiscard]] inline QString retiredFromKey(qint64 dentistId)
{
    return QStringLiteral("dentist_%1_retired_from").arg(dentistId);
}

// The dentists with their retirement days from the settings.
[[nodiscard]] QList<Dentist> withRetirements(QList<Dentist> dentists, const QHash<QString, QString>& settings);

// The rules' view of a practice: its dentists with their retirement days and its closed days.
struct PracticeRules {
    QList<Dentist> dentists;
    QList<ClosedPeriod> closed;
};
[[nodiscard]] PracticeRules rulesOf(const AgendaArchive::Practice& practice);

// Rules 7 and 8 on a practice: the practice is closed that day; the dentist no longer works then.
[[nodiscard]] std::optional<QString> practiceMessageIn(const Appointment& a, const PracticeRules& practice);
