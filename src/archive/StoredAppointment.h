#pragma once

#include "Appointment.h"

#include <QString>

// An appointment with the two moments the archive keeps ("yyyy-MM-dd HH:mm:ss", local time), as it
// moves whole from one archive to another (a copy onto a server, a backup of a server's agenda).
struct StoredAppointment {
    Appointment appointment;
    QString createdAt;
    QString updatedAt;
};
