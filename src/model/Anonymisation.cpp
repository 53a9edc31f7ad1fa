#include "Anonymisation.h"

#include "ActivityEntry.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Anonymisation {

namespace {

QJsonValue neutralValue(const QJsonValue& v)
{
    if (v.isString())
        return neutral(v.toString());
    if (v.isArray()) {
        QJsonArray out;
        for (const QJsonValue& item : v.toArray())
            out.append(neutralValue(item));
        return out;
    }
    return v;
}

// The texts of one field, alone or a [before, after] pair; nulls left out.
QStringList textsOf(const QJsonValue& v)
{
    QStringList out;
    if (v.isString())
        out << v.toString();
    for (const QJsonValue& item : v.toArray())
        if (item.isString())
            out << item.toString();
    return out;
}

QJsonArray idsOf(const QList<qint64>& ids)
{
    QJsonArray out;
    for (const qint64 id : ids)
        out.append(id);
    return out;
}

} // namespace

QString neutral(const QString& text)
{
    return text.isEmpty() ? text : QString::fromUtf16(ActivityChain::anonymised);
}

bool needed(const QStringList& texts)
{
    for (const QString& t : texts)
        if (neutral(t) != t)
            return true;
    return false;
}

QString neutralPersonal(const QString& personal)
{
    QJsonObject object = QJsonDocument::fromJson(personal.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != u"salt")
            it.value() = neutralValue(it.value());
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool samePatient(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool phoneChosen(const QString& phone, const QStringList& phones)
{
    if (phones.isEmpty())
        return true;
    for (const QString& p : phones)
        if (p.trimmed() == phone.trimmed())
            return true;
    return false;
}

bool chosen(const AnonymiseScope& scope, const QString& patient, const QString& phone)
{
    if (scope.before || scope.patient.trimmed().isEmpty())
        return true;
    return samePatient(patient, scope.patient) && phoneChosen(phone, scope.phones);
}

QString candidatePattern(const QString& name)
{
    QString out = QStringLiteral("%");
    for (const QChar c : name.trimmed()) {
        if (c == u'\\' || c == u'%' || c == u'_')
            out += u'\\';
        out += c.unicode() < 128 ? c : QChar(u'_');
    }
    return out + u'%';
}

bool entryNames(const QString& personal, const AnonymiseScope& scope)
{
    if (scope.patient.trimmed().isEmpty())
        return false;
    const QJsonObject object = QJsonDocument::fromJson(personal.toUtf8()).object();
    bool named = false;
    for (const QString& name : textsOf(object.value(QStringLiteral("patient"))))
        named = named || samePatient(name, scope.patient);
    if (!named)
        return false;
    for (const QString& phone : textsOf(object.value(QStringLiteral("phone"))))
        if (!phoneChosen(phone, scope.phones))
            return false;
    return true;
}

QJsonObject details(const AnonymisedRecords& records, const QList<qint64>& entries, const AnonymiseScope& scope)
{
    QJsonObject out{{QStringLiteral("entries"), idsOf(entries)},
                    {QStringLiteral("appointments"), qint64(records.appointments.size())},
                    {QStringLiteral("cancelled"), qint64(records.cancelled.size())},
                    {QStringLiteral("waiting"), qint64(records.waiting.size())},
                    {QStringLiteral("recalls"), qint64(records.recalls.size())},
                    {QStringLiteral("reason"), scope.reason}};
    // A day limit names the records by itself (tens of thousands at a retention's first run).
    if (scope.before)
        out.insert(QStringLiteral("before"), scope.before->toString(Qt::ISODate));
    else
        out.insert(QStringLiteral("ids"), recordsJson(records));
    return out;
}

QJsonObject recordsJson(const AnonymisedRecords& records)
{
    return {{QStringLiteral("appointments"), idsOf(records.appointments)},
            {QStringLiteral("cancelled"), idsOf(records.cancelled)},
            {QStringLiteral("waiting"), idsOf(records.waiting)},
            {QStringLiteral("recalls"), idsOf(records.recalls)}};
}

AnonymisedRecords recordsFrom(const QJsonObject& o)
{
    const auto list = [&o](const char* kind) {
        QList<qint64> out;
        for (const QJsonValue& v : o.value(QLatin1String(kind)).toArray())
            out << v.toInteger();
        return out;
    };
    return {list("appointments"), list("cancelled"), list("waiting"), list("recalls")};
}

Reached reachedBy(const QString& details)
{
    const QJsonObject o = QJsonDocument::fromJson(details.toUtf8()).object();
    Reached reached{recordsFrom(o.value(QStringLiteral("ids")).toObject()), std::nullopt};
    const QDate before = QDate::fromString(o.value(QStringLiteral("before")).toString(), Qt::ISODate);
    if (before.isValid())
        reached.before = before;
    return reached;
}

} // namespace Anonymisation
