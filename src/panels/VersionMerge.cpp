#include "VersionMerge.h"

namespace {

constexpr AppointmentField allFields[] = {AppointmentField::Patient,   AppointmentField::Phone,
                                          AppointmentField::Dentist,   AppointmentField::Day,
                                          AppointmentField::Start,     AppointmentField::Duration,
                                          AppointmentField::Treatment, AppointmentField::Notes};

} // namespace

namespace VersionMerge {

bool same(AppointmentField field, const Appointment& a, const Appointment& b)
{
    switch (field) {
    case AppointmentField::Patient:
        return Text::equivalent(a.patient, b.patient);
    case AppointmentField::Phone:
        return Text::equivalent(a.phone, b.phone);
    case AppointmentField::Dentist:
        return a.dentistId == b.dentistId;
    case AppointmentField::Day:
        return a.date() == b.date();
    case AppointmentField::Start:
        return a.startMinutes == b.startMinutes;
    case AppointmentField::Duration:
        return a.durationMinutes == b.durationMinutes;
    case AppointmentField::Treatment:
        return Text::equivalent(a.treatment, b.treatment);
    case AppointmentField::Notes:
        return Text::equivalent(a.notes, b.notes);
    }
    return true;
}

void take(AppointmentField field, Appointment& into, const Appointment& from)
{
    switch (field) {
    case AppointmentField::Patient:
        into.patient = from.patient;
        break;
    case AppointmentField::Phone:
        into.phone = from.phone;
        break;
    case AppointmentField::Dentist:
        into.dentistId = from.dentistId;
        break;
    case AppointmentField::Day:
        into.day = from.day;
        break;
    case AppointmentField::Start:
        into.startMinutes = from.startMinutes;
        break;
    case AppointmentField::Duration:
        into.durationMinutes = from.durationMinutes;
        break;
    case AppointmentField::Treatment:
        into.treatment = from.treatment;
        break;
    case AppointmentField::Notes:
        into.notes = from.notes;
        break;
    }
}

Result merge(const Appointment& base, const Appointment& mine, const Appointment& stored)
{
    Result result{stored, {}};
    for (const AppointmentField field : allFields) {
        if (same(field, base, mine) || same(field, mine, stored))
            continue;
        if (same(field, base, stored))
            take(field, result.merged, mine);
        else
            result.conflicts.append(field);
    }
    return result;
}

} // namespace VersionMerge
