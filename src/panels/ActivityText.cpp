#include "ActivityText.h"

#include "ActivityActions.h"
#include "Cal.h"
#include "DayStatus.h"
#include "Schedule.h"
#include "Store.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject object(const QString& json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

// A field of an entry is either a change [before, after] or, for the acts that record a row as it is
// (a cancellation) or an event's facts, a plain value.
struct Field {
    QJsonValue before;
    QJsonValue after;
    bool changed = false;
};

Field field(const QJsonObject& o, const QString& name)
{
    const QJsonValue v = o.value(name);
    if (v.isArray() && v.toArray().size() == 2)
        return {v.toArray().at(0), v.toArray().at(1), v.toArray().at(0) != v.toArray().at(1)};
    return {v, v, false};
}

QString quoted(const QJsonValue& v)
{
    return u'«' + v.toVariant().toString() + u'»';
}

QString dentistName(const Store& store, const QJsonValue& id)
{
    const std::optional<Dentist> d = store.dentist(id.toInteger());
    return d ? d->name : QStringLiteral("dentista ") + QString::number(id.toInteger());
}

// "gio 5 dic 10:00".
QString place(const QJsonValue& day, const QJsonValue& start)
{
    const std::optional<QDate> date = Cal::parseDayKey(day.toString());
    const QString dayText = date ? Cal::format(*date, QStringLiteral("EEEdMMM")) : day.toString();
    return dayText + u' ' + Schedule::clockText(start.toInt());
}

struct Row {
    QJsonObject facts;
    QJsonObject texts;
    [[nodiscard]] Field fact(const char* name) const { return field(facts, QString::fromLatin1(name)); }
    [[nodiscard]] Field text(const char* name) const { return field(texts, QString::fromLatin1(name)); }
};

// "gio 5 dic 10:00, Dentista 1", from the values before (or after) the change.
QString where(const Row& row, const Store& store, bool after)
{
    const Field day = row.fact("day"), start = row.fact("start_min"), dentist = row.fact("dentist_id");
    return after ? place(day.after, start.after) + QStringLiteral(", ") + dentistName(store, dentist.after)
                 : place(day.before, start.before) + QStringLiteral(", ") + dentistName(store, dentist.before);
}

QString appointmentChange(const Row& row, const Store& store, const QString& action)
{
    const Field day = row.fact("day");
    if (day.before.isNull() && !day.after.isNull()) {
        const QString what = action == u"copy"      ? QStringLiteral("creato come copia")
                             : action == u"restore" ? QStringLiteral("ripristinato")
                                                    : QStringLiteral("creato");
        return what + QStringLiteral(": ") + where(row, store, true);
    }
    if (!day.before.isNull() && day.after.isNull())
        return QStringLiteral("eliminato (") + where(row, store, false) + u')';
    QStringList parts;
    const Field start = row.fact("start_min"), dentist = row.fact("dentist_id");
    if (day.changed || start.changed)
        parts << QStringLiteral("spostato da ") + place(day.before, start.before) + QStringLiteral(" a ")
                + place(day.after, start.after);
    if (dentist.changed)
        parts << QStringLiteral("da ") + dentistName(store, dentist.before) + QStringLiteral(" a ")
                + dentistName(store, dentist.after);
    if (const Field d = row.fact("duration_min"); d.changed)
        parts << QStringLiteral("durata %1 min").arg(d.after.toInt());
    if (const Field p = row.text("patient"); p.changed)
        parts << QStringLiteral("paziente ") + quoted(p.after);
    if (const Field p = row.text("phone"); p.changed)
        parts << QStringLiteral("telefono ") + quoted(p.after);
    if (const Field t = row.text("treatment"); t.changed)
        parts << QStringLiteral("prestazione ") + quoted(t.after);
    if (row.text("notes").changed)
        parts << QStringLiteral("note cambiate");
    return parts.isEmpty() ? QStringLiteral("modificato") : parts.join(QStringLiteral(", "));
}

QString statusChange(const Row& row)
{
    QStringList parts;
    if (const Field s = row.fact("status"); s.changed) {
        const std::optional<AppointmentStatus> status = AppointmentStatuses::fromKey(s.after.toString());
        parts << QStringLiteral("stato: ") + (status ? AppointmentStatuses::label(*status) : s.after.toString());
    }
    if (const Field c = row.fact("call_attempts"); c.changed && c.after.toInt() > c.before.toInt())
        parts << QStringLiteral("chiamato, non risponde");
    return parts.isEmpty() ? QStringLiteral("stato invariato") : parts.join(QStringLiteral(", "));
}

QString cancellation(const Row& row, const QString& action)
{
    if (action == u"restore")
        return QStringLiteral("rimesso in agenda dopo la disdetta");
    if (action == u"delete")
        return QStringLiteral("eliminato dalle disdette");
    if (action == u"undo")
        return QStringLiteral("disdetta annullata");
    const bool byPractice =
        CancelledByKeys::fromKey(row.fact("cancelled_by").after.toString()) == CancelledBy::Practice;
    const QString reason = row.text("reason").after.toString();
    return (byPractice ? QStringLiteral("disdetto dallo studio") : QStringLiteral("disdetto dal paziente"))
        + (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + u')');
}

QString rowChange(const Row& row, const QString& noun, const QString& name)
{
    const auto changedField = [&](const QJsonObject& o) {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (field(o, it.key()).changed && it.key() != u"salt")
                return true;
        return false;
    };
    const QString named = name.isEmpty() ? QString() : QStringLiteral(": ") + name;
    const Field any = row.facts.isEmpty() ? Field{} : field(row.facts, row.facts.begin().key());
    if (any.before.isNull() && !any.after.isNull())
        return noun + QStringLiteral(" aggiunto") + named;
    if (!any.before.isNull() && any.after.isNull())
        return noun + QStringLiteral(" tolto") + named;
    return changedField(row.facts) || changedField(row.texts) ? noun + QStringLiteral(" modificato") + named : noun;
}

// "9/6/2027" from a day key.
QString shortDay(const QJsonValue& key)
{
    const std::optional<QDate> day = Cal::parseDayKey(key.toString());
    return day ? day->toString(QStringLiteral("d/M/yyyy")) : key.toString();
}

// "Richiamo Igiene per il 9/6/2027" (the log's list puts the patient's name before it); a change says what
// the receptionist did.
QString recallChange(const Row& row)
{
    const Field due = row.fact("due_day"), kind = row.fact("kind");
    if (due.before.isNull() && !due.after.isNull())
        return QStringLiteral("Richiamo ") + kind.after.toString() + QStringLiteral(" per il ") + shortDay(due.after);
    if (!due.before.isNull() && due.after.isNull())
        return QStringLiteral("Richiamo ") + kind.before.toString() + QStringLiteral(" tolto");
    QStringList parts;
    if (const Field a = row.fact("attempts"); a.changed && a.after.toInt() > a.before.toInt())
        parts << QStringLiteral("Richiamo: non risponde (%1° tentativo)").arg(a.after.toInt());
    if (const Field p = row.fact("paused_until"); p.changed)
        parts << (p.after.isNull() ? QStringLiteral("Richiamo non più rimandato")
                                   : QStringLiteral("Richiamo rimandato al ") + shortDay(p.after));
    if (const Field d = row.fact("do_not_call"); d.changed)
        parts << (d.after.toInt() != 0 ? QStringLiteral("Non richiamare") : QStringLiteral("Di nuovo da richiamare"));
    if (due.changed)
        parts << QStringLiteral("Richiamo spostato al ") + shortDay(due.after);
    if (const Field k = row.fact("kind"); k.changed)
        parts << QStringLiteral("tipo ") + quoted(k.after);
    if (const Field c = row.fact("consent"); c.changed)
        parts << (c.after.toInt() != 0 ? QStringLiteral("consenso sì") : QStringLiteral("consenso no"));
    if (const Field p = row.text("phone"); p.changed)
        parts << QStringLiteral("telefono ") + quoted(p.after);
    return parts.isEmpty() ? QStringLiteral("Richiamo modificato") : parts.join(QStringLiteral(", "));
}

QString setting(const ActivityEntry& entry, const Row& row)
{
    if (entry.action == u"closed-days" || entry.action == u"holidays")
        return QStringLiteral("giorni di chiusura cambiati");
    if (entry.action == u"recovery-key")
        return QStringLiteral("nuova chiave di ripristino per le copie cifrate");
    const QString key = row.facts.value(QStringLiteral("key")).toString();
    const Field value = field(row.facts, QStringLiteral("value"));
    const QString after = value.after.toVariant().toString();
    return QStringLiteral("impostazione «") + key + u'»'
        + (after.size() <= 40 && !after.isEmpty() ? QStringLiteral(": ") + after : QStringLiteral(" cambiata"));
}

QString event(const ActivityEntry& entry, const Row& row)
{
    QStringList facts;
    for (const char* name : {"day", "month", "file", "rows"}) {
        const QJsonValue v = row.facts.value(QString::fromLatin1(name));
        if (!v.isUndefined() && !v.isNull())
            facts << (QString::fromLatin1(name) == u"rows" ? QStringLiteral("%1 righe").arg(v.toInt()) : v.toVariant().toString());
    }
    const QString label = ActivityActions::label(entry.action).toLower() + u' ' + entry.target;
    return facts.isEmpty() ? label : label + QStringLiteral(" (") + facts.join(QStringLiteral(", ")) + u')';
}

QString stepSuffix(const QString& action)
{
    if (action == u"undo")
        return QStringLiteral(" (annulla)");
    if (action == u"redo")
        return QStringLiteral(" (ripeti)");
    return {};
}

} // namespace

namespace ActivityText {

QString when(const ActivityEntry& entry)
{
    const QDateTime at = QDateTime::fromString(entry.at, Qt::ISODateWithMs);
    return at.isValid() ? Cal::format(at.toLocalTime(), QStringLiteral("dMMMHHmm")) : entry.at;
}

QString computer(const ActivityEntry& entry)
{
    if (entry.computer.isEmpty())
        return entry.client;
    return entry.account.isEmpty() ? entry.computer : entry.computer + QStringLiteral(" (") + entry.account + u')';
}

QString who(const ActivityEntry& entry)
{
    return entry.operatorName.isEmpty() ? computer(entry) : entry.operatorName + QStringLiteral(" su ") + computer(entry);
}

QString patient(const ActivityEntry& entry)
{
    const Field p = field(object(entry.personal), QStringLiteral("patient"));
    return (p.after.isString() && !p.after.toString().isEmpty() ? p.after : p.before).toString();
}

QString summary(const ActivityEntry& entry, const Store& store)
{
    const Row row{object(entry.details), object(entry.personal)};
    const QString suffix = stepSuffix(entry.action);
    if (entry.target == u"appointment")
        return appointmentChange(row, store, entry.action) + suffix;
    if (entry.target == u"status")
        return statusChange(row) + suffix;
    if (entry.target == u"cancellation")
        return cancellation(row, entry.action);
    if (entry.target == u"waiting")
        return rowChange(row, QStringLiteral("lista d'attesa"), patient(entry)) + suffix;
    if (entry.target == u"recall")
        return recallChange(row) + suffix;
    if (entry.target == u"dentist") {
        const Field name = row.fact("name");
        return rowChange(row, QStringLiteral("dentista"), (name.after.isNull() ? name.before : name.after).toString())
            + suffix;
    }
    if (entry.target == u"setting")
        return setting(entry, row) + suffix;
    return event(entry, row);
}

QString historyLine(const ActivityEntry& entry, const Store& store)
{
    return when(entry) + QStringLiteral(" · ") + who(entry) + QStringLiteral(": ") + summary(entry, store);
}

} // namespace ActivityText
