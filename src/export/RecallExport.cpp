#include "RecallExport.h"

#include "Csv.h"
#include "DatabaseError.h"
#include "PhoneNumber.h"
#include "RecallMessage.h"
#include "Store.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

QString shortDay(const QDate& day)
{
    return day.isValid() ? day.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

} // namespace

namespace RecallExport {

std::optional<QList<Row>> rows(Store& store, const QDate& month, QString* error)
{
    QString text;
    try {
        text = store.recallTemplate().value_or(RecallMessage::defaultTemplate());
    } catch (const DatabaseError& failure) {
        if (error)
            *error = QStringLiteral("Errore nella lettura delle impostazioni: ") + failure.message();
        return std::nullopt;
    }
    const std::optional<QList<Recall>> list = store.recallList(month);
    if (!list) {
        if (error)
            *error = Store::unansweredText();
        return std::nullopt;
    }
    QList<Row> result;
    for (const Recall& r : *list) {
        const std::optional<QString> mobile = PhoneNumber::italianMobile(r.phone);
        if (!mobile)
            continue;
        result.append({*mobile, r.patient, r.kind, shortDay(r.due), shortDay(r.lastVisit), r.attempts,
                       RecallMessage::render(text, RecallMessage::valuesOf(r, store.studioName()))});
    }
    return result;
}

QByteArray csv(const QList<Row>& rows)
{
    QList<QStringList> lines{{QStringLiteral("Telefono"), QStringLiteral("Paziente"), QStringLiteral("Tipo"),
                              QStringLiteral("Scadenza"), QStringLiteral("Ultima visita"), QStringLiteral("Tentativi"),
                              QStringLiteral("Messaggio")}};
    for (const Row& r : rows)
        lines.append({r.phone, r.patient, r.kind, r.due, r.lastVisit, QString::number(r.attempts), r.message});
    return Csv::document(lines);
}

std::optional<int> write(Store& store, const QDate& month, const QString& path, QString* error)
{
    QString reason;
    const std::optional<QList<Row>> found = rows(store, month, &reason);
    if (!found) {
        *error = reason;
        return std::nullopt;
    }
    if (!Csv::write(path, csv(*found), error))
        return std::nullopt;
    // Patients' names and telephones left the agenda: the log says which month, how many and where to.
    (void)store.logEvent(QStringLiteral("export"), QStringLiteral("recalls"),
                         QJsonObject{{QStringLiteral("month"), month.toString(QStringLiteral("yyyy-MM"))},
                                     {QStringLiteral("rows"), qint64(found->size())},
                                     {QStringLiteral("file"), QFileInfo(path).fileName()}});
    return int(found->size());
}

QString fileName(const QDate& month)
{
    return QStringLiteral("richiami-") + month.toString(QStringLiteral("yyyy-MM")) + QStringLiteral(".csv");
}

} // namespace RecallExport
