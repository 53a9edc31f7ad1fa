#pragma once

#include "Appointment.h"
#include "AppointmentColumns.h"
#include "PgConnection.h"

#include <QList>
#include <QString>

// The appointments table's columns as the server's statements select them, and their rows read back.
namespace ServerRows {

inline const QString& columns = AppointmentColumns::shown;

inline Appointment appointmentAt(const PgResult& r, int row)
{
    return Appointment{r.integer(row, 0), r.integer(row, 1), r.text(row, 2), int(r.integer(row, 3)),
                       int(r.integer(row, 4)), r.text(row, 5), r.text(row, 6), r.text(row, 7), r.text(row, 8)};
}

inline QList<Appointment> appointmentsOf(const PgResult& r)
{
    QList<Appointment> list;
    list.reserve(r.rows());
    for (int i = 0; i < r.rows(); ++i)
        list.append(appointmentAt(r, i));
    return list;
}

} // namespace ServerRows
