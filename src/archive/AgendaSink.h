#pragma once

#include "ActivityEntry.h"
#include "DayRecords.h"
#include "Dentist.h"
#include "StoredAppointment.h"

#include <QList>
#include <QString>

// A whole agenda being written somewhere new, row by row, kept only once complete (a backup of a
// server's agenda as a data folder's file). Each call throws DatabaseError; dentists come before the
// appointments that refer to them.
class AgendaSink {
public:
    virtual ~AgendaSink() = default;

    virtual void addDentist(const Dentist& dentist) = 0;
    virtual void addSetting(const QString& key, const QString& value) = 0;
    virtual void addAppointments(const QList<StoredAppointment>& rows) = 0;
    // After every appointment: the statuses of the appointments and the cancelled appointments.
    virtual void addDayRecords(const DayRecords& records) = 0;
    // Last: the activity log's entries in the order of their numbers, as stored (numbers and hashes
    // kept, so that the copy's chain verifies as the original's).
    virtual void addLogEntries(const QList<ActivityEntry>& entries) = 0;
};
