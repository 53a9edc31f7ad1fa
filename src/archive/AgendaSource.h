#pragma once

#include "Appointment.h"
#include "DayRecords.h"
#include "Dentist.h"
#include "StoredAppointment.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// A whole agenda read in one consistent state, to be copied elsewhere (a data folder's file moved onto
// a server). Every question throws DatabaseError with an Italian message on failure.
class AgendaSource {
public:
    struct Content {
        qint64 dentists = 0;
        qint64 settings = 0;
        qint64 appointments = 0;
        // The highest appointment id ever given, deleted ones included.
        qint64 lastAppointmentId = 0;
    };
    // Two appointments of one dentist over the same minutes.
    struct Overlap {
        QString dentist; // the dentist's name; empty when the dentist is missing
        Appointment first;
        Appointment second;
    };

    virtual ~AgendaSource() = default;

    [[nodiscard]] virtual Content content() = 0;
    // One pair of overlapping appointments, if any (a server refuses them).
    [[nodiscard]] virtual std::optional<Overlap> firstOverlap() = 0;
    // Every dentist, by id.
    [[nodiscard]] virtual QList<Dentist> dentists() = 0;
    // Every setting as key and value, by key.
    [[nodiscard]] virtual QList<std::pair<QString, QString>> settings() = 0;
    // Up to `count` appointments with an id above `afterId`, by id.
    [[nodiscard]] virtual QList<StoredAppointment> appointmentsAfter(qint64 afterId, int count) = 0;
    // Every status and cancelled appointment, by id.
    [[nodiscard]] virtual DayRecords dayRecords() = 0;
};
