#pragma once

#include "ActivityEntry.h"
#include "Appointment.h"
#include "DayStatus.h"
#include "Recall.h"
#include "WaitingEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One appointment of a patient's file: in the agenda with its status, or cancelled with the facts of the
// cancellation, and the log's entries about it, oldest first.
struct PatientVisit {
    Appointment appointment;
    // The status it has, or had when it was cancelled.
    AppointmentStatus status = AppointmentStatus::ToConfirm;
    std::optional<Cancellation> cancellation;
    QList<ActivityEntry> log;
};

// A waiting-list entry of the patient and the log's entries about it.
struct PatientWaiting {
    WaitingEntry entry;
    QList<ActivityEntry> log;
};

// A recall of the patient and the log's entries about it.
struct PatientRecall {
    Recall recall;
    QList<ActivityEntry> log;
};

// Everything the agenda keeps under one patient's name (any letter case), what a patient who asks for
// their data is given.
struct PatientRecord {
    QString name; // as the agenda writes it
    QList<PatientVisit> visits; // by day, start and id
    QList<PatientWaiting> waiting; // oldest first
    QList<PatientRecall> recalls; // by due day and id

    // The telephone numbers used, each once, in the order first met (visits, the waiting list, recalls); the
    // empty text stands for the records without one.
    [[nodiscard]] QStringList phones() const;
    // The same record without what was booked under any of these numbers (a namesake's).
    [[nodiscard]] PatientRecord without(const QStringList& excludedPhones) const;
    [[nodiscard]] bool isEmpty() const { return visits.isEmpty() && waiting.isEmpty() && recalls.isEmpty(); }
};
