#pragma once

#include "Appointment.h"
#include "WaitingEntry.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// What a booking is refused with, and what a search for free time asks and finds.

// Why a save was refused.
struct SaveRefusal {
    enum class Reason {
        Rule,             // one of the booking rules 1 to 5
        Overlap,          // rule 6: another appointment of the dentist at that time
        Deleted,          // another program deleted the stored appointment meanwhile
        ChangedElsewhere, // another program changed it since the editor opened it
        Failure,          // the archive failed; "Errore durante il salvataggio: " + its text
    };
    Reason reason = Reason::Rule;
    QString message;
    // For ChangedElsewhere: the appointment as it is stored now.
    std::optional<Appointment> stored;
    // For Overlap: the nearest free starts of the dentist that day that fit (before, after).
    QList<int> alternatives;
};

// What the receptionist asks for when a patient wants the first free time.
struct SlotSearch {
    using Part = DayPart;
    int durationMinutes = 30;
    std::optional<qint64> dentistId; // any dentist when absent
    QDate from;                      // today when invalid or past
    Part part = Part::Any;           // morning 09:00–13:00, afternoon 13:00–19:45
    QList<int> weekdays = everyWorkday(); // weekday indexes, Monday 0
    // Monday to Friday. (A function: GCC warns falsely about the list written inline here.)
    [[nodiscard]] static QList<int> everyWorkday();
};

struct FreeSlot {
    QDate day;
    int startMinutes = 0;
    qint64 dentistId = 0;
    bool operator==(const FreeSlot&) const = default;
};
