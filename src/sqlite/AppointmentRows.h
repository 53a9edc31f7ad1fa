#pragma once

#include "Appointment.h"
#include "AppointmentColumns.h"
#include "Database.h"

// The column list of every appointment query, and the mapping of one row to an Appointment.
namespace AppointmentRows {

inline const QString& columns = AppointmentColumns::shown;

[[nodiscard]] inline Appointment fromRow(const SQLRow& row)
{
    return Appointment{row.integer(0), row.integer(1), row.text(2), int(row.integer(3)), int(row.integer(4)),
                       row.text(5),    row.text(6),    row.text(7), row.text(8)};
}

} // namespace AppointmentRows
