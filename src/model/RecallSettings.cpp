#include "RecallSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Only the two intervals the editor offers; anything else read from a row becomes the usual six months.
int validMonths(int months)
{
    return months == 12 ? 12 : 6;
}

} // namespace

RecallSettings RecallSettings::defaults()
{
    RecallSettings s;
    s.kinds = {Kind{QStringLiteral("Controllo"), 12, 30}, Kind{QStringLiteral("Igiene"), 6, 45}};
    // The practice's own treatment names for the two usual visits.
    s.treatments = {TreatmentDefault{QStringLiteral("Igiene orale"), QStringLiteral("Igiene"), 6},
                    TreatmentDefault{QStringLiteral("Visita di controllo"), QStringLiteral("Controllo"), 12}};
    return s;
}

std::optional<RecallSettings::Kind> RecallSettings::kind(const QString& name) const
{
    for (const Kind& k : kinds)
        if (sameName(k.name, name))
            return k;
    return std::nullopt;
}

std::optional<RecallSettings::TreatmentDefault> RecallSettings::forTreatment(const QString& treatment) const
{
    if (treatment.trimmed().isEmpty())
        return std::nullopt;
    for (const TreatmentDefault& t : treatments)
        if (sameName(t.treatment, treatment))
            return t;
    return std::nullopt;
}

RecallPlan RecallSettings::proposalFor(const QString& treatment) const
{
    RecallPlan plan;
    plan.consent = consentByDefault;
    plan.kind = kinds.isEmpty() ? QString() : kinds.first().name;
    if (const std::optional<TreatmentDefault> d = forTreatment(treatment)) {
        plan.months = d->months;
        plan.kind = d->kind;
    }
    return plan;
}

namespace RecallSettingsText {

RecallSettings fromRows(const QHash<QString, QString>& settings)
{
    RecallSettings s = RecallSettings::defaults();
    if (const auto kinds = settings.constFind(kindsKey); kinds != settings.cend()) {
        const QJsonArray array = QJsonDocument::fromJson(kinds->toUtf8()).array();
        QList<RecallSettings::Kind> read;
        for (const QJsonValue& v : array) {
            const QJsonObject o = v.toObject();
            const QString name = o.value(QStringLiteral("name")).toString().trimmed();
            if (!name.isEmpty())
                read.append({name, validMonths(o.value(QStringLiteral("months")).toInt()),
                             std::max(15, o.value(QStringLiteral("minutes")).toInt(30))});
        }
        if (!read.isEmpty())
            s.kinds = read;
    }
    if (const auto treatments = settings.constFind(treatmentsKey); treatments != settings.cend()) {
        s.treatments.clear();
        for (const QJsonValue& v : QJsonDocument::fromJson(treatments->toUtf8()).array()) {
            const QJsonObject o = v.toObject();
            const QString treatment = o.value(QStringLiteral("treatment")).toString().trimmed();
            const QString kind = o.value(QStringLiteral("kind")).toString().trimmed();
            if (!treatment.isEmpty() && !kind.isEmpty())
                s.treatments.append({treatment, kind, validMonths(o.value(QStringLiteral("months")).toInt())});
        }
    }
    if (const auto consent = settings.constFind(consentKey); consent != settings.cend())
        s.consentByDefault = *consent != u"0";
    return s;
}

QHash<QString, QString> rows(const RecallSettings& settings)
{
    QJsonArray kinds;
    for (const RecallSettings::Kind& k : settings.kinds)
        kinds.append(QJsonObject{{QStringLiteral("name"), k.name.trimmed()},
                                 {QStringLiteral("months"), validMonths(k.months)},
                                 {QStringLiteral("minutes"), k.durationMinutes}});
    QJsonArray treatments;
    for (const RecallSettings::TreatmentDefault& t : settings.treatments)
        treatments.append(QJsonObject{{QStringLiteral("treatment"), t.treatment.trimmed()},
                                      {QStringLiteral("kind"), t.kind.trimmed()},
                                      {QStringLiteral("months"), validMonths(t.months)}});
    return {{kindsKey, QString::fromUtf8(QJsonDocument(kinds).toJson(QJsonDocument::Compact))},
            {treatmentsKey, QString::fromUtf8(QJsonDocument(treatments).toJson(QJsonDocument::Compact))},
            {consentKey, settings.consentByDefault ? QStringLiteral("1") : QStringLiteral("0")}};
}

} // namespace RecallSettingsText
