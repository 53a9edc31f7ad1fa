#include "StorePractice.h"

#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "Color.h"
#include "SaveFailure.h"
#include "Schedule.h"
#include "Store.h"

#include "LoggedAct.h"

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

PracticeRules rulesOf(const AgendaArchive::Practice& practice)
{
    return PracticeRules{withRetirements(practice.dentists, practice.settings),
                         ClosedDays::fromText(practice.settings.value(closedDaysKey))};
}

std::optional<QString> practiceMessageIn(const Appointment& a, const PracticeRules& practice)
{
    const std::optional<QDate> day = Cal::parseDayKey(a.day);
    if (!day)
        return std::nullopt;
    if (const std::optional<ClosedPeriod> closed = ClosedDays::periodOn(practice.closed, *day))
        return QStringLiteral("Lo studio è chiuso ") + Cal::format(*day, QStringLiteral("EEEEdMMMMy"))
            + (closed->reason.isEmpty() ? QString() : QStringLiteral(" (") + closed->reason + u')') + u'.';
    const auto owner = std::find_if(practice.dentists.begin(), practice.dentists.end(),
                                    [&a](const Dentist& d) { return d.id == a.dentistId; });
    if (owner != practice.dentists.end() && !owner->worksOn(*day))
        return owner->name + QStringLiteral(" non lavora più nello studio ")
            + Cal::fromDayText(owner->retiredFrom, QStringLiteral("dMMMMy")) + u'.';
    return std::nullopt;
}

std::optional<QString> Store::practiceMessage(const Appointment& a) const
{
    return practiceMessageIn(a, PracticeRules{m_dentists, m_closedPeriods});
}

std::optional<QString> Store::closedMessage(const QDate& day, qint64 dentistId) const
{
    // Nothing is booked on what could not be read.
    if (!m_weekLoaded && Cal::workdays(m_anchor).contains(day))
        return unloadedText();
    Appointment draft;
    draft.day = Cal::dayKey(day);
    draft.dentistId = dentistId;
    return practiceMessage(draft);
}

std::optional<QString> Store::addDentist()
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("dentist"));
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

// Both conditions are judged on the practice and the appointments as stored, inside the transaction
// that writes the retirement: another computer may have retired someone or booked meanwhile.
std::optional<QString> Store::retireDentist(qint64 id, const QDate& from, QList<Appointment>* remaining)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("dentist"));
    const std::optional<Dentist> leaving = dentist(id);
    if (!leaving)
        return std::nullopt;
    std::optional<QString> refusal;
    const auto approve = [&](const AgendaArchive::SettingCheck& check) {
        const QList<Dentist> stored = withRetirements(check.practice.dentists, check.practice.settings);
        const bool othersWork = std::any_of(stored.begin(), stored.end(), [&](const Dentist& d) {
            return d.id != id && !d.retiredFrom.isValid();
        });
        if (!othersWork) {
            refusal = QStringLiteral("Deve restare almeno un dentista in attività.");
            return false;
        }
        if (remaining)
            *remaining = check.remaining;
        if (check.remaining.isEmpty())
            return true;
        const qsizetype booked = check.remaining.size();
        refusal = QStringLiteral("Prima di ritirare ") + leaving->name + QStringLiteral(" bisogna spostare o eliminare ")
            + (booked == 1 ? QStringLiteral("il suo appuntamento") : QStringLiteral("i suoi %1 appuntamenti").arg(booked))
            + u' ' + Cal::fromDayText(from, QStringLiteral("dMMMMy")) + u'.';
        return false;
    };
    try {
        m_archive.writeSettingIfApproved(retiredFromKey(id), Cal::dayKey(from), id, Cal::dayKey(from), approve);
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return refusal;
}

std::optional<QString> Store::reinstateDentist(qint64 id)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("dentist"));
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
    const LoggedAct act(m_archive, m_act, QStringLiteral("dentist"));
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

std::optional<QString> Store::changeClosedPeriods(
    const std::function<QList<ClosedPeriod>(const QList<ClosedPeriod>& stored)>& change)
{
    // Another computer's write between our read and our transaction makes us read again; a few rounds
    // are plenty for a setting people change by hand.
    try {
        for (int round = 0; round < 5; ++round) {
            const QString read = m_archive.allSettings().value(closedDaysKey);
            const QString changed = ClosedDays::toText(change(ClosedDays::fromText(read)));
            const bool wrote = changed == read
                || m_archive.writeSettingIfApproved(closedDaysKey, changed, 0, QString(),
                                                    [&read](const AgendaArchive::SettingCheck& check) {
                                                        return check.practice.settings.value(closedDaysKey) == read;
                                                    });
            if (wrote) {
                loadSettings();
                return std::nullopt;
            }
        }
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return SaveFailure::text(DatabaseError(QStringLiteral("le chiusure sono cambiate più volte su un altro computer; riprova.")));
}

std::optional<QString> Store::setClosedPeriods(const QList<ClosedPeriod>& periods)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("closed-days"));
    const QList<ClosedPeriod> seen = m_closedPeriods;
    return changeClosedPeriods([&](const QList<ClosedPeriod>& stored) {
        QList<ClosedPeriod> result;
        for (const ClosedPeriod& p : stored)
            if (!seen.contains(p) || periods.contains(p))
                result.append(p);
        for (const ClosedPeriod& p : periods)
            if (!seen.contains(p) && !result.contains(p))
                result.append(p);
        return result;
    });
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
    if (m_readOnly)
        return std::nullopt;
    const int year = Clock::today().year();
    if (year == m_holidaysDeclined || ClosedDays::missingHolidays(m_closedPeriods, year).isEmpty())
        return std::nullopt;
    return year;
}

std::optional<QString> Store::addHolidays(int year)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("holidays"));
    // Added to the closed days as stored now: another computer may have changed them meanwhile.
    return changeClosedPeriods([year](const QList<ClosedPeriod>& stored) {
        return stored + ClosedDays::missingHolidays(stored, year);
    });
}

std::optional<QString> Store::declineHolidays(int year)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("holidays"));
    try {
        m_archive.writeSetting(holidaysDeclinedKey, QString::number(year));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}
