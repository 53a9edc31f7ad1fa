#include "ReminderExport.h"

#include "Cal.h"
#include "Csv.h"
#include "DatabaseError.h"
#include "PhoneNumber.h"
#include "ReminderMessage.h"
#include "Schedule.h"
#include "Store.h"

#include <QFileInfo>
#include <QJsonObject>

namespace ReminderExport {

std::optional<QList<Row>> rows(Store& store, const QDate& day, QString* error)
{
    QString text;
    try {
        text = store.reminderTemplate().value_or(ReminderMessage::defaultTemplate());
    } catch (const DatabaseError& failure) {
        if (error)
            *error = QStringLiteral("Errore nella lettura delle impostazioni: ") + failure.message();
        return std::nullopt;
    }
    const std::optional<QList<Store::ToConfirm>> lines = store.dayLines(day);
    if (!lines) {
        if (error)
            *error = Store::unansweredText();
        return std::nullopt;
    }
    QList<Row> result;
    const QString date = day.toString(QStringLiteral("dd/MM/yyyy"));
    for (const Store::ToConfirm& line : *lines) {
        const Appointment& a = line.appointment;
        const std::optional<QString> mobile = PhoneNumber::italianMobile(a.phone);
        if (!mobile)
            continue;
        const ReminderMessage::Values values = ReminderMessage::valuesOf(a, line.dentist, store.studioName());
        result.append({*mobile, a.patient, date, Schedule::clockText(a.startMinutes), line.dentist,
                       AppointmentStatuses::label(line.status.status), ReminderMessage::render(text, values)});
    }
    return result;
}

QByteArray csv(const QList<Row>& rows)
{
    QList<QStringList> lines{{QStringLiteral("Telefono"), QStringLiteral("Paziente"), QStringLiteral("Data"),
                              QStringLiteral("Ora"), QStringLiteral("Dentista"), QStringLiteral("Stato"),
                              QStringLiteral("Messaggio")}};
    for (const Row& r : rows)
        lines.append({r.phone, r.patient, r.date, r.time, r.dentist, r.status, r.message});
    return Csv::document(lines);
}

std::optional<int> write(Store& store, const QDate& day, const QString& path, QString* error)
{
    QString reason;
    const std::optional<QList<Row>> found = rows(store, day, &reason);
    if (!found) {
        *error = reason;
        return std::nullopt;
    }
    if (!Csv::write(path, csv(*found), error))
        return std::nullopt;
    // Patients' names and telephones left the agenda: the log says which day, how many and where to.
    (void)store.logEvent(QStringLiteral("export"), QStringLiteral("reminders"),
                         QJsonObject{{QStringLiteral("day"), Cal::dayKey(day)},
                                     {QStringLiteral("rows"), qint64(found->size())},
                                     {QStringLiteral("file"), QFileInfo(path).fileName()}});
    return int(found->size());
}

QString fileName(const QDate& day)
{
    return QStringLiteral("promemoria-") + Cal::dayKey(day) + QStringLiteral(".csv");
}

} // namespace ReminderExport
