#include "PatientLines.h"

#include "ActivityActions.h"
#include "Cal.h"
#include "Schedule.h"

#include <QDateTime>

namespace {

const QString dateFormat = QStringLiteral("dd/MM/yyyy");

QString dayText(const QString& dayKey)
{
    const std::optional<QDate> day = Cal::parseDayKey(dayKey);
    return day ? day->toString(dateFormat) : dayKey;
}

// "yyyy-MM-dd HH:mm:ss" local time, as the archives keep a cancellation's moment.
QString momentText(const QString& stored)
{
    const QDateTime at = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? at.toString(dateFormat + QStringLiteral(" 'alle' HH:mm")) : stored;
}

QString cancellationText(const Cancellation& c)
{
    QString text = (c.by == CancelledBy::Patient ? QStringLiteral("Disdetto dal paziente il ")
                                                 : QStringLiteral("Disdetto dallo studio il "))
        + momentText(c.cancelledAt);
    if (c.late)
        text += QStringLiteral(" (tardiva)");
    if (!c.reason.isEmpty())
        text += QStringLiteral(": ") + c.reason;
    return text;
}

QStringList logLines(const QList<ActivityEntry>& entries)
{
    QStringList lines;
    for (const ActivityEntry& e : entries)
        lines.append(PatientLines::logLine(e));
    return lines;
}

PatientLines::Line visitLine(const PatientVisit& v, const PatientLines::DentistName& dentistName)
{
    const Appointment& a = v.appointment;
    return {QStringLiteral("Appuntamento"),
            dayText(a.day),
            a.timeRange(),
            dentistName(a.dentistId),
            a.treatment,
            a.phone,
            a.notes,
            v.cancellation ? QStringLiteral("Disdetto") : AppointmentStatuses::label(v.status),
            v.cancellation ? cancellationText(*v.cancellation) : QString(),
            logLines(v.log)};
}

PatientLines::Line waitingLine(const PatientWaiting& w, const PatientLines::DentistName& dentistName)
{
    const WaitingEntry& e = w.entry;
    QString days = QStringLiteral("dal ") + e.from.toString(dateFormat);
    if (e.until)
        days += QStringLiteral(" al ") + e.until->toString(dateFormat);
    return {QStringLiteral("Lista d'attesa"),
            days,
            DayParts::label(e.part) + QStringLiteral(", %1 min, ").arg(e.durationMinutes) + e.weekdaysText(),
            e.dentistId ? dentistName(*e.dentistId) : QStringLiteral("Qualsiasi dentista"),
            QString(),
            e.phone,
            e.note,
            QStringLiteral("In lista d'attesa"),
            QString(),
            logLines(w.log)};
}

// A recall: named with its type where a visit has its treatment, what it stands at as the status.
PatientLines::Line recallLine(const PatientRecall& r)
{
    const Recall& c = r.recall;
    QString status = c.doNotCall ? QStringLiteral("Non richiamare") : QStringLiteral("Da richiamare");
    if (c.attempts > 0)
        status += QStringLiteral(", %1 %2").arg(c.attempts).arg(c.attempts == 1 ? QStringLiteral("tentativo")
                                                                                 : QStringLiteral("tentativi"));
    if (c.pausedUntil)
        status += QStringLiteral(", rimandato al ") + c.pausedUntil->toString(dateFormat);
    status += c.consent ? QStringLiteral(", consenso sì") : QStringLiteral(", consenso no");
    return {QStringLiteral("Richiamo"),
            c.due.toString(dateFormat),
            QString(),
            QString(),
            QStringLiteral("Richiamo ") + c.kind,
            c.phone,
            QStringLiteral("Ultima visita il ") + c.lastVisit.toString(dateFormat),
            status,
            QString(),
            logLines(r.log)};
}

} // namespace

namespace PatientLines {

QList<Line> of(const PatientRecord& record, const DentistName& dentistName)
{
    QList<Line> lines;
    for (const PatientVisit& v : record.visits)
        lines.append(visitLine(v, dentistName));
    for (const PatientWaiting& w : record.waiting)
        lines.append(waitingLine(w, dentistName));
    for (const PatientRecall& r : record.recalls)
        lines.append(recallLine(r));
    return lines;
}

QString logLine(const ActivityEntry& entry)
{
    const QDateTime at = QDateTime::fromString(entry.at, Qt::ISODateWithMs);
    QString where = entry.computer;
    if (!entry.account.isEmpty())
        where += QStringLiteral(", ") + entry.account;
    if (!entry.operatorName.isEmpty())
        where += QStringLiteral(" (operatore ") + entry.operatorName + u')';
    if (!entry.client.isEmpty())
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + entry.client;
    const QString when = at.isValid() ? at.toLocalTime().toString(dateFormat + QStringLiteral(" HH:mm")) : entry.at;
    return when + QStringLiteral(" · ") + ActivityActions::label(entry.action) + QStringLiteral(" · ") + where;
}

QStringList header()
{
    return {QStringLiteral("Voce"),     QStringLiteral("Giorno"),   QStringLiteral("Ora"),
            QStringLiteral("Dentista"), QStringLiteral("Prestazione"), QStringLiteral("Telefono"),
            QStringLiteral("Note"),     QStringLiteral("Stato"),    QStringLiteral("Disdetta"),
            QStringLiteral("Registro")};
}

QStringList fields(const Line& line)
{
    return {line.kind,  line.day,   line.time,   line.dentist,      line.treatment,
            line.phone, line.notes, line.status, line.cancellation, line.log.join(u'\n')};
}

} // namespace PatientLines
