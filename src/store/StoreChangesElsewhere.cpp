#include "AgendaArchive.h"
#include "Cal.h"
#include "Store.h"

#include <QTimer>

// What other programs on the same archive did, told to the receptionist.

std::optional<Appointment> Store::storedAppointment(qint64 id)
{
    return m_archive.appointment(id);
}

QString Store::changeDescription(const Appointment& before, const Appointment& after) const
{
    QStringList parts;
    if (before.dentistId != after.dentistId) {
        const std::optional<Dentist> owner = dentist(after.dentistId);
        parts << QStringLiteral("dentista ") + (owner ? owner->name : QStringLiteral("non più presente"));
    }
    if (before.day != after.day)
        parts << QStringLiteral("giorno ") + Cal::format(after.date(), QStringLiteral("EEEEdMMMM"));
    if (before.startMinutes != after.startMinutes || before.durationMinutes != after.durationMinutes)
        parts << QStringLiteral("ora ") + after.timeRange();
    const auto text = [&parts](const QString& field, const QString& was, const QString& now) {
        if (Text::equivalent(was, now))
            return;
        parts << (now.isEmpty() ? field + QStringLiteral(" cancellato")
                                : field + QStringLiteral(" «") + now + QStringLiteral("»"));
    };
    text(QStringLiteral("paziente"), before.patient, after.patient);
    text(QStringLiteral("telefono"), before.phone, after.phone);
    text(QStringLiteral("prestazione"), before.treatment, after.treatment);
    if (!Text::equivalent(before.notes, after.notes))
        parts << QStringLiteral("note cambiate");
    return parts.join(QStringLiteral(", "));
}

QString Store::changedElsewhereText(const Appointment& before, const Appointment& after) const
{
    return QStringLiteral("Nel frattempo un altro computer ha modificato questo appuntamento (")
        + changeDescription(before, after) + QStringLiteral(").");
}

QString Store::deletedElsewhereText()
{
    return QStringLiteral("Nel frattempo un altro computer ha eliminato questo appuntamento.");
}

QString Store::replacedArchiveText()
{
    return QStringLiteral("L'agenda è stata ripristinata da un backup su un altro computer: da ora questo computer "
                          "non salva più nulla. Riavvia Calvora per lavorare sull'agenda ripristinata.");
}

// What is on show stays, but every save would fail: said once, and nothing more is followed.
void Store::stopOnReplacedArchive()
{
    if (m_follow)
        m_follow->stop();
    if (std::exchange(m_replacedTold, true))
        return;
    setAlertMessage(replacedArchiveText());
}

QString Store::restoredElsewhereText()
{
    return QStringLiteral("Nel frattempo un altro computer ha già ripristinato questo appuntamento.");
}

