#pragma once

#include "StoredAppointment.h"
#include "Recall.h"
#include "WaitingEntry.h"

#include <QList>
#include <QString>

// The statuses, cancelled appointments and waiting list of a whole agenda, as both archives store them, moving with
// the rest of it from one archive to another (a copy onto a server, a backup of a server's agenda).
struct DayRecords {
    struct Status {
        qint64 appointmentId = 0;
        QString status;    // the stored key
        QString changedAt; // "yyyy-MM-dd HH:mm:ss", local time
        qint64 callAttempts = 0;
    };
    struct Cancelled {
        StoredAppointment row;
        QString cancelledAt;
        QString cancelledBy; // the stored key
        QString reason;
        qint64 late = 0;
        QString statusBefore; // the stored key
    };
    QList<Status> statuses;
    QList<Cancelled> cancelled;
    // By id; an entry belongs to no appointment, so where it goes it may take a new id.
    QList<WaitingEntry> waiting;
    // By id; each names the appointment that set it, which may be in the agenda, cancelled or gone.
    QList<Recall> recalls;

    // The columns of the two tables, in the order of the fields above (the same on both archives).
    static inline const QString statusColumns = QStringLiteral("appointment_id, status, changed_at, call_attempts");
    static inline const QString cancelledExtraColumns =
        QStringLiteral("cancelled_at, cancelled_by, reason, late, status_before");
};
