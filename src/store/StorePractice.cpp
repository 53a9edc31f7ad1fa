#include "StorePractice.h"

#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "Color.h"
#include "SaveFailure.h"
#include "Schedule.h"
#include "Store.h"

#include <algorithm>
#include <tuple>

QList<Dentist> withRetirements(QList<Dentist> dentists, const QHash<QString, QString>& settings)
{
    for (Dentist& d : dentists)
        d.retiredFrom = Cal::parseDayKey(settings.value(retiredFromKey(d.id))).value_or(QDate());
    return dentists;
}

QList<Dentist> Store::dentistsOn(const QList<QDate>& days) const
{
    QList<Dentist> working;
    for (const Dentist& d : m_dentists)
        if (std::any_of(days.begin(), days.end(), [&d](const QDate& day) { return d.worksOn(day); }))
            working.append(d);
    return working;
}

std::optional<ClosedPeriod> Store::closedPeriodOn(const QDate& day) const
{
    return ClosedDays::periodOn(m_closedPeriods, day);
}

std::optional<QString> Store::practiceMessage(const Appointment& a) const
{
    const std::optional<QDate> day = Cal::parseDayKey(a.day);
    if (!day)
        return std::nullopt;
    if (const std::optional<ClosedPeriod> closed = closedPeriodOn(*day))
        return QStringLiteral("Lo studio è chiuso ") + Cal::format(*day, QStringLiteral("EEEEdMMMMy"))
            + (closed->reason.isEmpty() ? QString() : QStringLiteral(" (") + closed->reason + u')') + u'.';
    const std::optional<Dentist> owner = dentist(a.dentistId);
    if (owner && !owner->worksOn(*day))
        return owner->name + QStringLiteral(" non lavora più nello studio ")
            + Cal::fromDayText(owner->retiredFrom, QStringLiteral("dMMMMy")) + u'.';
    return std::nullopt;
}

std::optional<QString> Store::closedMessage(const QDate& day, qint64 dentistId) const
{
    Appointment draft;
    draft.day = Cal::dayKey(day);
    draft.dentistId = dentistId;
    return practiceMessage(draft);
}

std::optional<QString> Store::addDentist()
{
    QStringList colors;
    for (const Dentist& d : std::as_const(m_dentists))
        colors << d.colorHex;
    try {
        m_archive.addDentist(QStringLiteral("Dentista ") + QString::number(m_dentists.size() + 1),
                             distinctColorHex(colors));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}

std::optional<QString> Store::retireDentist(qint64 id, const QDate& from, QList<Appointment>* remaining)
{
    const std::optional<Dentist> leaving = dentist(id);
    if (!leaving)
        return std::nullopt;
    const bool othersWork = std::any_of(m_dentists.begin(), m_dentists.end(), [&](const Dentist& d) {
        return d.id != id && !d.retiredFrom.isValid();
    });
    if (!othersWork)
        return QStringLiteral("Deve restare almeno un dentista in attività.");
    std::optional<QString> refusal;
    try {
        m_archive.writeSettingIfNoneFrom(
            retiredFromKey(id), Cal::dayKey(from), id, Cal::dayKey(from), [&](const QList<Appointment>& booked) {
                if (remaining)
                    *remaining = booked;
                if (booked.isEmpty())
                    return true;
                refusal = QStringLiteral("Prima di ritirare ") + leaving->name + QStringLiteral(" bisogna spostare o eliminare ")
                    + (booked.size() == 1 ? QStringLiteral("il suo appuntamento")
                                          : QStringLiteral("i suoi %1 appuntamenti").arg(booked.size()))
                    + u' ' + Cal::fromDayText(from, QStringLiteral("dMMMMy")) + u'.';
                return false;
            });
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return refusal;
}

std::optional<QString> Store::reinstateDentist(qint64 id)
{
    try {
        m_archive.writeSetting(retiredFromKey(id), std::nullopt);
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}

std::optional<Dentist> Store::nearestWorkingDentist(qint64 id, int step) const
{
    const auto at = std::find_if(m_dentists.begin(), m_dentists.end(), [id](const Dentist& d) { return d.id == id; });
    if (at == m_dentists.end() || step == 0)
        return std::nullopt;
    const QDate today = Clock::today();
    for (qsizetype i = (at - m_dentists.begin()) + step; i >= 0 && i < m_dentists.size(); i += step)
        if (m_dentists[i].worksOn(today))
            return m_dentists[i];
    return std::nullopt;
}

std::optional<QString> Store::swapDentists(qint64 first, qint64 second)
{
    QList<qint64> order;
    for (const Dentist& d : std::as_const(m_dentists))
        order.append(d.id);
    const qsizetype a = order.indexOf(first);
    const qsizetype b = order.indexOf(second);
    if (a < 0 || b < 0 || a == b)
        return std::nullopt;
    order.swapItemsAt(a, b);
    try {
        m_archive.reorderDentists(order);
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}

std::optional<QString> Store::setClosedPeriods(const QList<ClosedPeriod>& periods)
{
    try {
        m_archive.writeSetting(closedDaysKey, ClosedDays::toText(periods));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}

QList<Appointment> Store::appointmentsIn(const QList<ClosedPeriod>& periods)
{
    QHash<qint64, Appointment> found;
    for (const ClosedPeriod& p : periods)
        for (const Appointment& a : m_archive.appointments(Cal::dayKey(p.from), Cal::dayKey(p.to)))
            found.insert(a.id, a);
    QList<Appointment> list = found.values();
    const auto place = [this](const Appointment& a) {
        const std::optional<Dentist> owner = dentist(a.dentistId);
        return std::tuple(a.day, a.startMinutes, owner ? owner->position : 0, a.id);
    };
    std::sort(list.begin(), list.end(),
              [&place](const Appointment& a, const Appointment& b) { return place(a) < place(b); });
    return list;
}

QString Store::appointmentLine(const Appointment& a) const
{
    const std::optional<Dentist> owner = dentist(a.dentistId);
    return Cal::format(a.date(), QStringLiteral("EEEdMMMy")) + u' ' + Schedule::clockText(a.startMinutes) + u' '
        + a.patient + (owner ? QStringLiteral(" \u2013 ") + owner->name : QString());
}

std::optional<int> Store::holidayOffer() const
{
    const int year = Clock::today().year();
    if (year == m_holidaysDeclined || ClosedDays::missingHolidays(m_closedPeriods, year).isEmpty())
        return std::nullopt;
    return year;
}

std::optional<QString> Store::addHolidays(int year)
{
    // Added to the closed days as stored now: another computer may have changed them meanwhile.
    QList<ClosedPeriod> stored;
    try {
        stored = ClosedDays::fromText(m_archive.allSettings().value(closedDaysKey));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    const QList<ClosedPeriod> missing = ClosedDays::missingHolidays(stored, year);
    if (missing.isEmpty()) {
        loadSettings();
        return std::nullopt;
    }
    return setClosedPeriods(stored + missing);
}

std::optional<QString> Store::declineHolidays(int year)
{
    try {
        m_archive.writeSetting(holidaysDeclinedKey, QString::number(year));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}
