#include "CalendarExport.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "Store.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QString dentistName(const Store& store, qint64 id)
{
    const std::optional<Dentist> d = store.dentist(id);
    return d ? d->name : QString();
}

QString practiceDescription(const Appointment& a)
{
    QStringList parts;
    if (!a.phone.trimmed().isEmpty())
        parts << QStringLiteral("Telefono: ") + a.phone.trimmed();
    if (!a.notes.trimmed().isEmpty())
        parts << a.notes.trimmed();
    return parts.join(u'\n');
}

} // namespace

namespace CalendarExport {

QString uid(qint64 id, const QString& agendaIdentity)
{
    return QString::number(id) + u'-' + agendaIdentity + QStringLiteral("@calvora");
}

ICalendar::Event event(const Appointment& a, const QString& agendaIdentity, const QString& dentist,
                       const QString& practice, Audience audience)
{
    ICalendar::Event e;
    e.uid = uid(a.id, agendaIdentity);
    // Not Appointment::date(): its fallback reads the clock, once per event of a year.
    e.day = Cal::parseDayKey(a.day).value_or(QDate());
    e.startMinutes = a.startMinutes;
    e.durationMinutes = a.durationMinutes;
    e.summary = a.treatment.trimmed().isEmpty() ? a.patient.trimmed()
                                                : a.patient.trimmed() + QStringLiteral(" – ") + a.treatment.trimmed();
    e.location = practice.trimmed();
    e.category = dentist.trimmed();
    if (audience == Audience::Practice)
        e.description = practiceDescription(a);
    return e;
}

ICalendar::Calendar calendar(Store& store, const QDate& from, const QDate& to, std::optional<qint64> dentistId)
{
    const QString identity = store.agendaIdentity();
    const QList<Appointment> found = store.fetchAppointments(Cal::dayKey(from), Cal::dayKey(to));
    QHash<qint64, QString> names;
    for (const Dentist& d : store.dentists())
        names.insert(d.id, d.name);
    ICalendar::Calendar result;
    result.name = store.studioName().trimmed();
    result.events.reserve(found.size());
    for (const Appointment& a : found)
        if (!dentistId || a.dentistId == *dentistId)
            result.events.append(event(a, identity, names.value(a.dentistId), store.studioName(), Audience::Practice));
    return result;
}

QString safeFileName(const QString& name)
{
    QString out;
    for (const QChar c : name.trimmed())
        out += (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c)) ? u'-' : c;
    while (out.startsWith(u'.'))
        out.remove(0, 1);
    return out.trimmed();
}

std::optional<QString> save(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return file.errorString();
}

std::optional<QString> exportDays(Store& store, const QDate& from, const QDate& to, const QString& path)
{
    QByteArray bytes;
    qsizetype events = 0;
    try {
        const ICalendar::Calendar days = calendar(store, from, to);
        events = days.events.size();
        bytes = ICalendar::write(days, Clock::now());
    } catch (const DatabaseError& error) {
        return QStringLiteral("Impossibile leggere gli appuntamenti: ") + error.message() + u'.';
    }
    if (const std::optional<QString> failure = save(path, bytes))
        return QStringLiteral("Impossibile scrivere ") + path + QStringLiteral(" (") + *failure + QStringLiteral(").");
    // Patient data left the agenda: the log says which days, how much and where to.
    (void)store.logEvent(QStringLiteral("export"), QStringLiteral("calendar"),
                         QJsonObject{{QStringLiteral("from"), Cal::dayKey(from)},
                                     {QStringLiteral("to"), Cal::dayKey(to)},
                                     {QStringLiteral("rows"), qint64(events)},
                                     {QStringLiteral("file"), QFileInfo(path).fileName()}});
    return std::nullopt;
}

std::optional<QString> saveInvite(Store& store, const Appointment& a, const QString& path)
{
    ICalendar::Calendar invite;
    try {
        invite.events.append(
            event(a, store.agendaIdentity(), dentistName(store, a.dentistId), store.studioName(), Audience::Patient));
    } catch (const DatabaseError& error) {
        return QStringLiteral("Impossibile preparare l'invito: ") + error.message() + u'.';
    }
    if (const std::optional<QString> failure = save(path, ICalendar::write(invite, Clock::now())))
        return QStringLiteral("Impossibile scrivere ") + path + QStringLiteral(" (") + *failure + QStringLiteral(").");
    (void)store.logEvent(QStringLiteral("export"), QStringLiteral("calendar"),
                         QJsonObject{{QStringLiteral("appointment"), a.id},
                                     {QStringLiteral("from"), a.day},
                                     {QStringLiteral("to"), a.day},
                                     {QStringLiteral("rows"), 1},
                                     {QStringLiteral("file"), QFileInfo(path).fileName()}},
                         QJsonObject{{QStringLiteral("patient"), a.patient}});
    return std::nullopt;
}

} // namespace CalendarExport
