#pragma once

#include <QString>

// The appointments table's columns as both archives' statements select them (the same names and order on
// the file and on the server), so that one mapping reads a row back on either side.
namespace AppointmentColumns {

// What an Appointment holds, in its fields' order.
inline const QString shown =
    QStringLiteral("id, dentist_id, day, start_min, duration_min, patient, phone, treatment, notes");
// The same and the two moments the archive keeps: a row copied whole from one archive to another.
inline const QString stored = shown + QStringLiteral(", created_at, updated_at");
// What the search index keeps of a row.
inline const QString indexed = QStringLiteral("id, day, start_min, patient, phone, treatment");

} // namespace AppointmentColumns
