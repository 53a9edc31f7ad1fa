#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "Schedule.h"
#include "Store.h"

#include <algorithm>

namespace {

// How far ahead a search for free time looks before it gives up.
constexpr int weeksAhead = 5 * 52;

QList<Appointment> ofDentistOn(const QList<Appointment>& week, const QString& dayKey, qint64 dentistId)
{
    QList<Appointment> result;
    for (const Appointment& a : week)
        if (a.day == dayKey && a.dentistId == dentistId)
            result.append(a);
    return result;
}

} // namespace

QList<int> SlotSearch::everyWorkday()
{
    return {0, 1, 2, 3, 4};
}

std::optional<QList<FreeSlot>> Store::freeSlots(const SlotSearch& search, int count)
{
    QList<FreeSlot> found;
    QList<Dentist> dentists;
    for (const Dentist& d : std::as_const(m_dentists))
        if (!search.dentistId || d.id == *search.dentistId)
            dentists.append(d);
    if (dentists.isEmpty() || search.weekdays.isEmpty() || count <= 0)
        return found;
    const QDate today = Clock::today();
    const QDate from = search.from.isValid() && search.from > today ? search.from : today;
    const auto [partStart, partEnd] = DayParts::range(search.part);
    QDate monday = Cal::monday(from);
    try {
        for (int week = 0; week < weeksAhead && found.size() < count; ++week, monday = monday.addDays(7)) {
            const QList<QDate> days = Cal::workdays(monday);
            const QList<Appointment> booked = m_archive.appointments(Cal::dayKey(days.first()), Cal::dayKey(days.last()));
            for (const QDate& day : days) {
                if (day < from || !search.weekdays.contains(Cal::weekdayIndex(day)) || closedPeriodOn(day))
                    continue;
                const QString key = Cal::dayKey(day);
                const int earliest = day == today ? std::max(partStart, earliestStartToday()) : partStart;
                QList<FreeSlot> ofDay;
                for (const Dentist& d : dentists) {
                    if (!d.worksOn(day))
                        continue;
                    const QList<Appointment> taken = ofDentistOn(booked, key, d.id);
                    for (const int start : Schedule::freeStarts(taken, search.durationMinutes, earliest, partEnd))
                        ofDay.append({day, start, d.id});
                }
                // By time, then by column: the dentists are already in column order.
                std::stable_sort(ofDay.begin(), ofDay.end(),
                                 [](const FreeSlot& a, const FreeSlot& b) { return a.startMinutes < b.startMinutes; });
                found += ofDay.mid(0, count - found.size());
                if (found.size() >= count)
                    break;
            }
        }
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    return found;
}

QList<int> Store::nearestFreeStarts(const Appointment& a)
{
    QList<Appointment> others;
    try {
        others = m_archive.dentistDay(a.day, a.dentistId, a.id);
    } catch (const DatabaseError&) {
        return {};
    }
    const std::optional<QDate> day = Cal::parseDayKey(a.day);
    const int earliest = day && *day == Clock::today() ? earliestStartToday() : Schedule::openingMinutes;
    const QList<int> starts = Schedule::freeStarts(others, a.durationMinutes, earliest);
    QList<int> nearest;
    const auto after = std::upper_bound(starts.begin(), starts.end(), a.startMinutes);
    auto before = std::lower_bound(starts.begin(), starts.end(), a.startMinutes);
    if (before != starts.begin())
        nearest.append(*std::prev(before));
    if (after != starts.end())
        nearest.append(*after);
    return nearest;
}

QString Store::alternativesText(const QList<int>& starts)
{
    if (starts.isEmpty())
        return {};
    QStringList times;
    for (const int minutes : starts)
        times << Schedule::clockText(minutes);
    return (times.size() == 1 ? QStringLiteral("\nIl posto libero più vicino è alle ")
                              : QStringLiteral("\nI posti liberi più vicini sono alle "))
        + times.join(QStringLiteral(" e alle ")) + u'.';
}
