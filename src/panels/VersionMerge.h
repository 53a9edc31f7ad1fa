#pragma once

#include "Appointment.h"

#include <QList>

// The fields of an appointment that the editor shows, each merged on its own.
enum class AppointmentField { Patient, Phone, Dentist, Day, Start, Duration, Treatment, Notes };

// Joins the user's edits with another computer's change of the same appointment, field by field.
namespace VersionMerge {

struct Result {
    // The stored version with the user's own changes on top; a conflicting field holds the stored value.
    Appointment merged;
    // The fields both sides changed, to different values, in the editor's order.
    QList<AppointmentField> conflicts;
};

// `base` is the version both sides started from, `mine` the user's, `stored` the other computer's. A
// field the user did not change takes the stored value; one the other computer did not change keeps
// the user's; one both changed alike is no conflict. The id is the stored one.
[[nodiscard]] Result merge(const Appointment& base, const Appointment& mine, const Appointment& stored);

// Whether the field holds the same value in both (texts compared as canonically equivalent).
[[nodiscard]] bool same(AppointmentField field, const Appointment& a, const Appointment& b);
// Copies one field's value from `from` into `into`.
void take(AppointmentField field, Appointment& into, const Appointment& from);

} // namespace VersionMerge
