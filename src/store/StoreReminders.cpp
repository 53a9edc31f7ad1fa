// What the reminder calls and messages of a day need: its appointments with their statuses, the next
// day the practice works, and the practice's message template.
#include "AgendaArchive.h"
#include "Cal.h"
#include "SaveFailure.h"
#include "Store.h"

#include "LoggedAct.h"

#include <algorithm>

namespace {

// Kept in the settings table like every other choice of the practice, so that every computer sends the
// same text.
const QString reminderTemplateKey = QStringLiteral("reminder_template");

} // namespace

std::optional<QList<Store::ToConfirm>> Store::dayLines(const QDate& day)
{
    QList<ToConfirm> list;
    try {
        const QString key = Cal::dayKey(day);
        const QList<Appointment> all = m_archive.appointments(key, key);
        const QHash<qint64, DayStatus> statuses = fetchStatuses(all);
        list.reserve(all.size());
        for (const Appointment& a : all) {
            const std::optional<Dentist> owner = dentist(a.dentistId);
            list.append(ToConfirm{a, statuses.value(a.id), owner ? owner->name : QString()});
        }
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    // By start, then in the agenda's column order.
    const auto position = [this](qint64 dentistId) {
        const std::optional<Dentist> owner = dentist(dentistId);
        return owner ? owner->position : 0;
    };
    std::stable_sort(list.begin(), list.end(), [&](const ToConfirm& a, const ToConfirm& b) {
        if (a.appointment.startMinutes != b.appointment.startMinutes)
            return a.appointment.startMinutes < b.appointment.startMinutes;
        return position(a.appointment.dentistId) < position(b.appointment.dentistId);
    });
    return list;
}

QDate Store::nextOpenDay(const QDate& day) const
{
    QDate next = Cal::nextWorkday(day.addDays(1));
    // A year of closures at most: past that the practice has more to worry about than reminders.
    for (int tries = 0; tries < 366 && closedPeriodOn(next); ++tries)
        next = Cal::nextWorkday(next.addDays(1));
    return next;
}

std::optional<QString> Store::reminderTemplate()
{
    const QHash<QString, QString> settings = m_archive.allSettings();
    const auto stored = settings.constFind(reminderTemplateKey);
    if (stored == settings.cend() || stored->trimmed().isEmpty())
        return std::nullopt;
    return *stored;
}

std::optional<QString> Store::setReminderTemplate(const QString& text)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    try {
        m_archive.writeSetting(reminderTemplateKey,
                               text.trimmed().isEmpty() ? std::nullopt : std::optional<QString>(text));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    return std::nullopt;
}
