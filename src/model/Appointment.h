#pragma once

#include "TextCompare.h"

#include <QDate>
#include <QHash>
#include <QString>

// One booked time slot. id 0 means "not stored yet"; any other id names a stored row.
struct Appointment {
    qint64 id = 0;
    qint64 dentistId = 0;
    QString day;           // day key "yyyy-MM-dd"
    int startMinutes = 0;  // minutes after midnight
    int durationMinutes = 0;
    QString patient;
    QString phone;
    QString treatment;
    QString notes;

    // The day as a calendar date; today when the key does not parse.
    [[nodiscard]] QDate date() const;
    // "HH:MM–HH:MM", start and end joined by an en dash.
    [[nodiscard]] QString timeRange() const;
    [[nodiscard]] int endMinutes() const { return startMinutes + durationMinutes; }

    friend bool operator==(const Appointment& a, const Appointment& b)
    {
        return a.id == b.id && a.dentistId == b.dentistId && Text::equivalent(a.day, b.day)
            && a.startMinutes == b.startMinutes && a.durationMinutes == b.durationMinutes
            && Text::equivalent(a.patient, b.patient) && Text::equivalent(a.phone, b.phone)
            && Text::equivalent(a.treatment, b.treatment) && Text::equivalent(a.notes, b.notes);
    }
};

size_t qHash(const Appointment& a, size_t seed = 0);
