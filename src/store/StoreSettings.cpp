#include "AgendaArchive.h"
#include "SaveFailure.h"
#include "Store.h"

#include "LoggedAct.h"

const QStringList& Store::defaultTreatments()
{
    static const QStringList treatments{
        QStringLiteral("Prima visita"),    QStringLiteral("Visita di controllo"), QStringLiteral("Igiene orale"),
        QStringLiteral("Sbiancamento"),    QStringLiteral("Otturazione"),         QStringLiteral("Devitalizzazione"),
        QStringLiteral("Estrazione"),      QStringLiteral("Chirurgia orale"),     QStringLiteral("Implantologia"),
        QStringLiteral("Protesi"),         QStringLiteral("Ortodonzia"),          QStringLiteral("Parodontologia"),
        QStringLiteral("Pedodonzia"),      QStringLiteral("Radiografia"),         QStringLiteral("Urgenza")};
    return treatments;
}

std::optional<QString> Store::saveSettings(const QString& studioName, const QList<Dentist>& dentists)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    QList<Dentist> stored = dentists;
    for (Dentist& d : stored) {
        d.name = d.name.trimmed();
        if (d.name.isEmpty())
            d.name = QStringLiteral("Dentista ") + QString::number(d.position + 1);
    }
    try {
        m_archive.saveSettings(studioName.trimmed(), stored);
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    return std::nullopt;
}

std::optional<QString> Store::updateDentist(const Dentist& dentist)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("dentist"));
    QList<Dentist> updated = m_dentists;
    for (Dentist& d : updated)
        if (d.id == dentist.id)
            d = dentist;
    return saveSettings(m_studioName, updated);
}
