#pragma once

#include "Recall.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The practice's choices about recalls, kept in the settings table (one row each) so that every computer
// of the agenda offers the same.
struct RecallSettings {
    // A type of recall and its usual interval in months (6 or 12) and visit length in minutes.
    struct Kind {
        QString name;
        int months = 6;
        int durationMinutes = 30;
        bool operator==(const Kind&) const = default;
    };
    // What the editor proposes for a treatment (compared without regard to case and outer spaces).
    struct TreatmentDefault {
        QString treatment;
        QString kind;
        int months = 6;
        bool operator==(const TreatmentDefault&) const = default;
    };

    QList<Kind> kinds; // "Controllo" and "Igiene" first, then the practice's own
    QList<TreatmentDefault> treatments;
    bool consentByDefault = true;

    // "Controllo" every 12 months, "Igiene" every 6; "Igiene orale" proposes the one, "Visita di controllo" the other.
    [[nodiscard]] static RecallSettings defaults();
    // The kind of that name (any case), if the practice has it.
    [[nodiscard]] std::optional<Kind> kind(const QString& name) const;
    // The default for a treatment, if the practice set one.
    [[nodiscard]] std::optional<TreatmentDefault> forTreatment(const QString& treatment) const;
    // What the editor proposes for an appointment of that treatment: the default for it, else no recall;
    // the first kind and the practice's consent either way.
    [[nodiscard]] RecallPlan proposalFor(const QString& treatment) const;
    bool operator==(const RecallSettings&) const = default;
};

namespace RecallSettingsText {

// The settings rows' keys.
inline const QString kindsKey = QStringLiteral("recall_kinds");
inline const QString treatmentsKey = QStringLiteral("recall_treatments");
inline const QString consentKey = QStringLiteral("recall_consent_default");
inline const QString templateKey = QStringLiteral("recall_template");

// The settings from the stored rows (missing or unreadable rows give the defaults).
[[nodiscard]] RecallSettings fromRows(const QHash<QString, QString>& settings);
// The rows for these settings (JSON arrays for the lists, "1"/"0" for the consent).
[[nodiscard]] QHash<QString, QString> rows(const RecallSettings& settings);

} // namespace RecallSettingsText
