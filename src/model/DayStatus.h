#pragma once

#include "Appointment.h"

#include <QString>

#include <optional>

// Where an appointment stands on its day. A new booking awaits confirmation.
enum class AppointmentStatus { ToConfirm, Confirmed, Arrived, NoShow };

namespace AppointmentStatuses {

// "Da confermare", "Confermato", "Arrivato", "Non presentato": what the receptionist reads.
[[nodiscard]] QString label(AppointmentStatus status);
// The short ASCII key the archives store ('da_confermare', 'confermato', 'arrivato', 'non_presentato').
[[nodiscard]] QString key(AppointmentStatus status);
// The status of a stored key; absent for a key this program does not know.
[[nodiscard]] std::optional<AppointmentStatus> fromKey(const QString& key);

} // namespace AppointmentStatuses

// An appointment's status and how many times the practice called without an answer. An appointment
// with nothing stored is awaiting confirmation with no attempts.
struct DayStatus {
    AppointmentStatus status = AppointmentStatus::ToConfirm;
    int callAttempts = 0;
    bool operator==(const DayStatus&) const = default;
};

// Who called the appointment off.
enum class CancelledBy { Patient, Practice };

namespace CancelledByKeys {
// 'paziente' or 'studio', as stored.
[[nodiscard]] QString key(CancelledBy by);
[[nodiscard]] CancelledBy fromKey(const QString& key);
} // namespace CancelledByKeys

// A cancelled appointment as kept: the appointment (same id), when and by whom it was cancelled
// ("yyyy-MM-dd HH:mm:ss", local time), why, whether less than 24 hours before its start, and the
// status it had, which a restore gives back.
struct Cancellation {
    Appointment appointment;
    QString cancelledAt;
    CancelledBy by = CancelledBy::Patient;
    QString reason;
    bool late = false;
    AppointmentStatus statusBefore = AppointmentStatus::ToConfirm;
};

// How often a patient broke appointments: not coming, and cancelling late.
struct BrokenAppointments {
    int noShows = 0;
    int lateCancellations = 0;
    bool operator==(const BrokenAppointments&) const = default;
};
