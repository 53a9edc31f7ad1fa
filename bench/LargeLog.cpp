#include "LargeLog.h"

#include "ActivityEntry.h"
#include "Database.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator64>

namespace {

const QStringList patients{"Anna Verdi", "Mario Rossi", "Giulia Bianchi", "Luca Esposito", "Sara Romano",
                           "Paolo Colombo", "Elena Ricci", "Marco Marino", "Chiara Greco", "Davide Bruno"};
const QStringList treatments{"Igiene orale", "Otturazione", "Devitalizzazione", "Controllo", "Protesi",
                             "Estrazione", "Sbiancamento", "Prima visita"};

QString compact(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonArray pair(const QJsonValue& b, const QJsonValue& a)
{
    return QJsonArray{b, a};
}

class Maker {
public:
    explicit Maker(quint64 seed) : m_random(seed) {}

    // The entry's kind, its target, details and personal texts, in the proportions of a working day.
    void fill(ActivityEntry& e)
    {
        const int roll = int(m_random.bounded(100));
        const QString day = QDate(2017, 1, 2).addDays(int(m_random.bounded(3650))).toString(Qt::ISODate);
        const QString patient = patients[int(m_random.bounded(patients.size()))];
        QJsonObject details;
        QJsonObject personal{{"salt", QString::number(m_random.generate(), 16) + QString::number(m_random.generate(), 16)}};
        e.subject = qint64(m_random.bounded(150000)) + 1;
        e.target = QStringLiteral("appointment");
        if (roll < 30) {
            e.action = QStringLiteral("book");
            details = {{"day", pair(QJsonValue::Null, day)}, {"start_min", pair(QJsonValue::Null, 540 + 15 * int(m_random.bounded(40)))},
                       {"duration_min", pair(QJsonValue::Null, 30)}, {"dentist_id", pair(QJsonValue::Null, 1 + int(m_random.bounded(3)))}};
            personal.insert("patient", pair(QJsonValue::Null, patient));
            personal.insert("phone", pair(QJsonValue::Null, QStringLiteral("333 %1").arg(m_random.bounded(10000000))));
            personal.insert("treatment", pair(QJsonValue::Null, treatments[int(m_random.bounded(treatments.size()))]));
            personal.insert("notes", pair(QJsonValue::Null, ""));
        } else if (roll < 40) {
            e.action = QStringLiteral("edit");
            personal.insert("treatment", pair(treatments[0], treatments[int(m_random.bounded(treatments.size()))]));
        } else if (roll < 48) {
            e.action = QStringLiteral("move");
            details = {{"start_min", pair(600, 660)}, {"day", pair(day, day)}};
        } else if (roll < 85) {
            e.action = QStringLiteral("status");
            e.target = QStringLiteral("status");
            details = {{"status", pair("da_confermare", roll < 70 ? "confermato" : "arrivato")}};
        } else if (roll < 92) {
            e.action = QStringLiteral("call");
            e.target = QStringLiteral("status");
            details = {{"call_attempts", pair(0, 1)}};
        } else if (roll < 97) {
            e.action = QStringLiteral("cancel");
            e.target = QStringLiteral("cancellation");
            details = {{"day", day}, {"start_min", 600}, {"duration_min", 30}, {"dentist_id", 1},
                       {"cancelled_by", "paziente"}, {"late", 0}, {"cancelled_at", day + " 09:12:00"}};
            personal.insert("patient", patient);
            personal.insert("reason", "Influenza");
        } else {
            e.action = QStringLiteral("delete");
            details = {{"day", pair(day, QJsonValue::Null)}};
            personal.insert("patient", pair(patient, QJsonValue::Null));
        }
        e.details = compact(details);
        e.personal = compact(personal);
    }

private:
    QRandomGenerator64 m_random;
};

} // namespace

namespace LargeLog {

void append(Database& db, qint64 entries, quint64 seed)
{
    db.transaction([&] {
        const QList<QStringList> last = db.query(
            QStringLiteral("SELECT n, hash FROM activity_log ORDER BY n DESC LIMIT 1"), {},
            [](const SQLRow& r) { return QStringList{QString::number(r.integer(0)), r.text(1)}; });
        qint64 n = last.isEmpty() ? 0 : last.first()[0].toLongLong();
        QString previous = last.isEmpty() ? ActivityChain::genesis() : last.first()[1];
        QDateTime at(QDate(2007, 1, 8), QTime(8, 0), Qt::UTC);
        Maker maker(seed);
        for (qint64 i = 0; i < entries; ++i) {
            ActivityEntry e;
            e.n = ++n;
            at = at.addSecs(300);
            e.at = at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
            e.computer = i % 3 ? QStringLiteral("reception-1") : QStringLiteral("reception-2");
            e.account = QStringLiteral("segreteria");
            maker.fill(e);
            e = ActivityChain::sealed(e, previous);
            previous = e.hash;
            db.run(QStringLiteral("INSERT INTO activity_log (n, at, action, target, subject, computer, account, operator, "
                                  "client, details, personal, personal_digest, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?)"),
                   {e.n, e.at, e.action, e.target, *e.subject, e.computer, e.account, e.operatorName, e.client,
                    e.details, e.personal, e.personalDigest, e.hash});
        }
    });
}

} // namespace LargeLog
