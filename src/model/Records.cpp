#include "Appointment.h"
#include "Cal.h"
#include "Clock.h"
#include "Dentist.h"
#include "Schedule.h"

namespace {
QString canonical(const QString& s)
{
    return s.normalized(QString::NormalizationForm_C);
}
} // namespace

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
    return qHashMulti(seed, a.id, a.dentistId, canonical(a.day), a.startMinutes, a.durationMinutes,
                      canonical(a.patient), canonical(a.phone), canonical(a.treatment), canonical(a.notes));
}

size_t qHash(const Dentist& d, size_t seed)
{
    return qHashMulti(seed, d.id, canonical(d.name), canonical(d.colorHex), d.position, d.retiredFrom);
}
