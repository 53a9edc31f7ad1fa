#include "Appointment.h"

#include "Cal.h"
#include "Clock.h"
#include "Schedule.h"
#include "TextCompare.h"

QDate Appointment::date() const
{
    return Cal::parseDayKey(day).value_or(Clock::today());
}

QString Appointment::timeRange() const
{
    return Schedule::clockText(startMinutes) + QChar(0x2013) + Schedule::clockText(endMinutes());
}

size_t qHash(const Appointment& a, size_t seed)
{
    using Text::canonical;
    return qHashMulti(seed, a.id, a.dentistId, canonical(a.day), a.startMinutes, a.durationMinutes,
                      canonical(a.patient), canonical(a.phone), canonical(a.treatment), canonical(a.notes));
}
