// The waiting list: its entries, what fits a freed start, and the offer of it in the agenda.
#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "SaveFailure.h"
#include "Schedule.h"
#include "Store.h"

#include "LoggedAct.h"

#include <algorithm>

namespace {

// A burst of changes (another computer clearing a day) frees many starts; the first few that fit are
// enough to offer one, and each costs a read.
constexpr int checkedFreedStarts = 12;

// The starts of the week before that the week after no longer holds taken by the same appointment: a
// cancellation, a delete, or a move away.
QList<FreeSlot> freedStarts(const QList<Appointment>& before, const QList<Appointment>& after)
{
    QHash<qint64, const Appointment*> now;
    for (const Appointment& a : after)
        now.insert(a.id, &a);
    QList<FreeSlot> freed;
    for (const Appointment& was : before) {
        const Appointment* is = now.value(was.id);
        if (is && is->day == was.day && is->dentistId == was.dentistId && is->startMinutes == was.startMinutes)
            continue;
        if (const std::optional<QDate> day = Cal::parseDayKey(was.day))
            freed.append(FreeSlot{*day, was.startMinutes, was.dentistId});
    }
    return freed;
}

} // namespace

std::optional<QList<WaitingEntry>> Store::waitingList()
{
    try {
        return m_archive.waitingList();
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

std::optional<QString> Store::saveWaitingEntry(const WaitingEntry& entry)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("waiting"));
    WaitingEntry e = entry;
    e.patient = e.patient.trimmed();
    e.phone = e.phone.trimmed();
    e.note = e.note.trimmed();
    e.weekdays &= WaitingEntry::everyWorkday;
    if (!e.from.isValid())
        e.from = Clock::today();
    if (e.patient.isEmpty())
        return QStringLiteral("Inserire il nome del paziente.");
    if (e.weekdays == 0)
        return QStringLiteral("Scegli almeno un giorno della settimana.");
    if (e.until && *e.until < e.from)
        return QStringLiteral("La data «fino al» precede quella «dal».");
    if (e.durationMinutes <= 0 || e.durationMinutes > Schedule::closingMinutes - Schedule::openingMinutes)
        return QStringLiteral("Durata non valida.");
    try {
        if (m_archive.saveWaitingEntry(e) == 0)
            return QStringLiteral("Nel frattempo un altro computer ha tolto questo paziente dalla lista d'attesa.");
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    followWaitingOffer({});
    emit waitingListChanged();
    emit changed();
    return std::nullopt;
}

std::optional<QString> Store::removeWaitingEntry(qint64 id)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("waiting"));
    try {
        (void)m_archive.removeWaitingEntry(id); // gone already elsewhere: nothing left to remove
    } catch (const DatabaseError& error) {
        return QStringLiteral("Errore durante l'eliminazione: ") + error.message();
    }
    followWaitingOffer({});
    emit waitingListChanged();
    emit changed();
    return std::nullopt;
}

std::optional<QList<WaitingEntry>> Store::matchesFor(const FreeSlot& slot)
{
    QList<WaitingEntry> fitting;
    const QDate today = Clock::today();
    const std::optional<Dentist> owner = dentist(slot.dentistId);
    if (slot.day < today || !owner || !owner->worksOn(slot.day) || closedPeriodOn(slot.day))
        return fitting;
    const int earliest = slot.day == today ? earliestStartToday() : Schedule::openingMinutes;
    if (slot.startMinutes < earliest)
        return fitting;
    try {
        const QList<WaitingEntry> all = m_archive.waitingList();
        if (all.isEmpty())
            return fitting;
        const QList<Appointment> taken = m_archive.dentistDay(Cal::dayKey(slot.day), slot.dentistId, 0);
        for (const WaitingEntry& e : all) {
            if ((e.dentistId && *e.dentistId != slot.dentistId) || !e.wantsDay(slot.day))
                continue;
            const auto [partStart, partEnd] = DayParts::range(e.part);
            if (slot.startMinutes < partStart)
                continue;
            if (Schedule::freeStarts(taken, e.durationMinutes, slot.startMinutes, partEnd).value(0, -1)
                == slot.startMinutes)
                fitting.append(e);
        }
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    return fitting;
}

void Store::followWaitingOffer(const QList<Appointment>& before)
{
    std::optional<WaitingOffer> offer;
    const QList<FreeSlot> freed = freedStarts(before, m_weekAppointments);
    for (qsizetype i = 0; i < std::min<qsizetype>(freed.size(), checkedFreedStarts) && !offer; ++i) {
        const std::optional<QList<WaitingEntry>> fitting = matchesFor(freed[i]);
        if (fitting && !fitting->isEmpty())
            offer = WaitingOffer{freed[i], *fitting};
    }
    // The offer on show stays while someone still fits its start; an archive that did not answer changes
    // nothing.
    if (!offer && m_waitingOffer) {
        const std::optional<QList<WaitingEntry>> fitting = matchesFor(m_waitingOffer->slot);
        if (!fitting)
            offer = m_waitingOffer;
        else if (!fitting->isEmpty())
            offer = WaitingOffer{m_waitingOffer->slot, *fitting};
    }
    m_waitingOffer = offer;
}

void Store::judgeWaitingOfferAgain()
{
    if (!m_waitingOffer)
        return;
    const std::optional<WaitingOffer> before = m_waitingOffer;
    followWaitingOffer(m_weekAppointments); // nothing freed: only the offer on show is judged
    if (m_waitingOffer != before)
        emit changed();
}

void Store::dismissWaitingOffer()
{
    m_waitingOffer.reset();
    emit changed();
}

void Store::bookFromWaitingList(const WaitingEntry& entry, const FreeSlot& slot)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("book"));
    m_waitingOffer.reset();
    const bool onShow = m_mode == ViewMode::Day ? m_anchor == slot.day : Cal::monday(m_anchor) == Cal::monday(slot.day);
    if (!onShow)
        showDate(slot.day);
    m_bookingWaiting = entry.id;
    setEditing(Appointment{0, slot.dentistId, Cal::dayKey(slot.day), slot.startMinutes, entry.durationMinutes,
                           entry.patient, entry.phone, {}, {}});
}

void Store::takeBookedWaitingEntry()
{
    const std::optional<qint64> id = std::exchange(m_bookingWaiting, std::nullopt);
    if (!id)
        return;
    try {
        (void)m_archive.removeWaitingEntry(*id);
    } catch (const DatabaseError& error) {
        setAlertMessage(QStringLiteral("L'appuntamento è salvato, ma il paziente è rimasto nella lista d'attesa: ")
                        + error.message());
        return;
    }
    emit waitingListChanged();
}

QString Store::slotText(const FreeSlot& slot) const
{
    const std::optional<Dentist> owner = dentist(slot.dentistId);
    return Cal::format(slot.day, QStringLiteral("EEEdMMM")) + u' ' + Schedule::clockText(slot.startMinutes)
        + (owner ? QStringLiteral(" (") + owner->name + u')' : QString());
}
