#include "FileActivityLogTriggers.h"

#include <QList>

namespace {

struct Trigger {
    QString name;
    QString sql;
};

// The columns of each table that an entry records, apart and personal.
const QStringList appointmentFacts{"day", "start_min", "duration_min", "dentist_id"};
const QStringList appointmentTexts{"patient", "phone", "treatment", "notes"};
const QStringList cancellationFacts{"day", "start_min", "duration_min", "dentist_id", "cancelled_by", "late",
                                    "cancelled_at"};
const QStringList cancellationTexts{"reason", "patient", "phone", "treatment", "notes"};
const QStringList waitingFacts{"duration_min", "dentist_id", "weekdays", "day_part", "from_day", "until_day"};
const QStringList waitingTexts{"patient", "phone", "note"};
const QStringList recallFacts{"kind",     "due_day",      "months",      "last_visit", "attempts",
                               "last_attempt_at", "paused_until", "do_not_call", "consent", "appointment_id"};
const QStringList recallTexts{"patient", "phone"};
const QStringList dentistFacts{"name", "color", "position"};

// 'name', before.name, after.name, … for calvora_log_changes; "NULL" stands for a row that is not there.
QString pairs(const QStringList& fields, const QString& before, const QString& after)
{
    QStringList out;
    for (const QString& f : fields) {
        const QString b = before == u"NULL" ? before : before + u'.' + f;
        const QString a = after == u"NULL" ? after : after + u'.' + f;
        out << u'\'' + f + u'\'' << b << a;
    }
    return out.join(QStringLiteral(", "));
}

// 'name', row.name, … for calvora_log_values.
QString values(const QStringList& fields, const QString& row)
{
    QStringList out;
    for (const QString& f : fields)
        out << u'\'' + f + u'\'' << row + u'.' + f;
    return out.join(QStringLiteral(", "));
}

// Any of the fields differs between OLD and NEW.
QString anyChanged(const QStringList& fields)
{
    QStringList out;
    for (const QString& f : fields)
        out << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(f);
    return out.join(QStringLiteral(" OR "));
}

// The statement that appends one entry; the seal trigger completes it.
QString entry(const QString& action, const QString& target, const QString& subject, const QString& details,
              const QString& personal)
{
    return QStringLiteral("INSERT INTO activity_log (at, action, target, subject, computer, account, operator, "
                          "details, personal) VALUES (calvora_log_now(), %1, '%2', %3, calvora_log_actor(0), "
                          "calvora_log_actor(1), calvora_log_actor(2), %4, %5);")
        .arg(action, target, subject, details, personal);
}

QString defaultAction(const char* action)
{
    return QStringLiteral("calvora_log_action('%1')").arg(QString::fromLatin1(action));
}

Trigger trigger(const QString& name, const QString& event, const QString& table, const QString& when,
                const QString& body)
{
    return {name, QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1 %2 ON main.%3 %4 BEGIN %5 END;")
                      .arg(name, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when, body)};
}

// One trigger per kind of write of a table whose rows are simply inserted, changed and removed.
QList<Trigger> rowTriggers(const QString& table, const QString& target, const QString& id, const QStringList& facts,
                           const QStringList& texts, const QString& whenInserted, const QString& whenDeleted)
{
    const auto personal = [&](const QString& before, const QString& after) {
        return texts.isEmpty() ? QStringLiteral("calvora_log_personal_changes()")
                               : QStringLiteral("calvora_log_personal_changes(%1)").arg(pairs(texts, before, after));
    };
    const auto details = [&](const QString& before, const QString& after) {
        return QStringLiteral("calvora_log_changes(%1)").arg(pairs(facts, before, after));
    };
    return {
        trigger(QStringLiteral("log_%1_inserted").arg(table), QStringLiteral("AFTER INSERT"), table, whenInserted,
                entry(defaultAction("insert"), target, QStringLiteral("NEW.") + id, details("NULL", "NEW"),
                      personal("NULL", "NEW"))),
        trigger(QStringLiteral("log_%1_updated").arg(table), QStringLiteral("AFTER UPDATE"), table,
                QStringLiteral("(%1) AND NOT calvora_log_quiet()").arg(anyChanged(facts + texts)),
                entry(defaultAction("update"), target, QStringLiteral("NEW.") + id, details("OLD", "NEW"),
                      personal("OLD", "NEW"))),
        trigger(QStringLiteral("log_%1_deleted").arg(table), QStringLiteral("AFTER DELETE"), table, whenDeleted,
                entry(defaultAction("delete"), target, QStringLiteral("OLD.") + id, details("OLD", "NULL"),
                      personal("OLD", "NULL"))),
    };
}

// A cancellation moves the row (and its status) out of the agenda, and its restore moves it back; both
// are written as the cancelled row's coming and going, the one entry of the act.
QList<Trigger> cancellationTriggers()
{
    const auto entryOf = [](const QString& action, const QString& row) {
        return entry(action, QStringLiteral("cancellation"), row + QStringLiteral(".id"),
                     QStringLiteral("calvora_log_values(%1)").arg(values(cancellationFacts, row)),
                     QStringLiteral("calvora_log_personal_values(%1)").arg(values(cancellationTexts, row)));
    };
    return {
        trigger(QStringLiteral("log_cancelled_appointments_inserted"), QStringLiteral("AFTER INSERT"),
                QStringLiteral("cancelled_appointments"), {}, entryOf(defaultAction("cancel"), QStringLiteral("NEW"))),
        trigger(QStringLiteral("log_cancelled_appointments_deleted"), QStringLiteral("AFTER DELETE"),
                QStringLiteral("cancelled_appointments"), {},
                entryOf(QStringLiteral("CASE WHEN EXISTS (SELECT 1 FROM main.appointments WHERE id = OLD.id) THEN %1 "
                                       "ELSE %2 END")
                            .arg(defaultAction("restore"), defaultAction("delete")),
                        QStringLiteral("OLD"))),
    };
}

// Settings are written with INSERT OR REPLACE, which removes the old row without its DELETE trigger:
// the value before is read before the insert.
QList<Trigger> settingTriggers()
{
    const QString stored = QStringLiteral("(SELECT value FROM main.settings WHERE key = NEW.key)");
    const auto details = [](const QString& key, const QString& before, const QString& after) {
        return QStringLiteral("json_object('key', %1, 'value', json_array(%2, %3))").arg(key, before, after);
    };
    const QString none = QStringLiteral("NULL");
    const QString salted = QStringLiteral("calvora_log_personal_changes()");
    const QString table = QStringLiteral("settings");
    return {
        trigger(QStringLiteral("log_settings_inserted"), QStringLiteral("BEFORE INSERT"), table,
                stored + QStringLiteral(" IS NOT NEW.value"),
                entry(defaultAction("insert"), QStringLiteral("setting"), none,
                      details(QStringLiteral("NEW.key"), stored, QStringLiteral("NEW.value")), salted)),
        trigger(QStringLiteral("log_settings_updated"), QStringLiteral("AFTER UPDATE"), table,
                QStringLiteral("OLD.value IS NOT NEW.value OR OLD.key IS NOT NEW.key"),
                entry(defaultAction("update"), QStringLiteral("setting"), none,
                      details(QStringLiteral("NEW.key"), QStringLiteral("OLD.value"), QStringLiteral("NEW.value")),
                      salted)),
        trigger(QStringLiteral("log_settings_deleted"), QStringLiteral("AFTER DELETE"), table, {},
                entry(defaultAction("delete"), QStringLiteral("setting"), none,
                      details(QStringLiteral("OLD.key"), QStringLiteral("OLD.value"), none), salted)),
    };
}

// Completes each new entry with its personal digest and its hash, chained to the entry before it.
Trigger sealTrigger()
{
    return trigger(
        QStringLiteral("log_sealed"), QStringLiteral("AFTER INSERT"), QStringLiteral("activity_log"), {},
        QStringLiteral(
            "UPDATE activity_log SET personal_digest = calvora_log_digest(NEW.personal), hash = calvora_log_seal("
            "COALESCE((SELECT hash FROM main.activity_log WHERE n < NEW.n ORDER BY n DESC LIMIT 1), ''), NEW.n, "
            "NEW.at, NEW.action, NEW.target, NEW.subject, NEW.computer, NEW.account, NEW.operator, NEW.client, "
            "NEW.details, calvora_log_digest(NEW.personal)) WHERE n = NEW.n;"));
}

QList<Trigger> all()
{
    // An appointment that comes from or goes to the cancelled ones is that act's; so is its status.
    const QString notCancelled = QStringLiteral("NOT EXISTS (SELECT 1 FROM main.cancelled_appointments WHERE id = %1)");
    QList<Trigger> list = rowTriggers(QStringLiteral("appointments"), QStringLiteral("appointment"),
                                      QStringLiteral("id"), appointmentFacts, appointmentTexts,
                                      notCancelled.arg(QStringLiteral("NEW.id")), notCancelled.arg(QStringLiteral("OLD.id")));
    // A status is born awaiting confirmation with no attempts (a first row that says so changes nothing);
    // one removed with its appointment is not a change of its own.
    QList<Trigger> status = rowTriggers(
        QStringLiteral("appointment_status"), QStringLiteral("status"), QStringLiteral("appointment_id"),
        {"status", "call_attempts"}, {},
        notCancelled.arg(QStringLiteral("NEW.appointment_id"))
            + QStringLiteral(" AND (NEW.status IS NOT 'da_confermare' OR NEW.call_attempts IS NOT 0)"),
        QStringLiteral("EXISTS (SELECT 1 FROM main.appointments WHERE id = OLD.appointment_id)"));
    status[0].sql.replace(QStringLiteral("'status', NULL, NEW.status, 'call_attempts', NULL, NEW.call_attempts"),
                          QStringLiteral("'status', 'da_confermare', NEW.status, 'call_attempts', 0, NEW.call_attempts"));
    list << status;
    list << rowTriggers(QStringLiteral("waiting_list"), QStringLiteral("waiting"), QStringLiteral("id"), waitingFacts,
                        waitingTexts, {}, {});
    list << rowTriggers(QStringLiteral("recalls"), QStringLiteral("recall"), QStringLiteral("id"), recallFacts,
                        recallTexts, {}, {});
    list << rowTriggers(QStringLiteral("dentists"), QStringLiteral("dentist"), QStringLiteral("id"), dentistFacts, {},
                        {}, {});
    list << cancellationTriggers() << settingTriggers() << sealTrigger();
    return list;
}

} // namespace

namespace FileActivityLogTriggers {

QStringList names()
{
    QStringList out;
    for (const Trigger& t : all())
        out << t.name;
    return out;
}

QString create()
{
    QString out;
    for (const Trigger& t : all())
        out += t.sql + u'\n';
    return out;
}

} // namespace FileActivityLogTriggers
