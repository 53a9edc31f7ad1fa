#include "AgendaArchive.h"
#include "LikePattern.h"
#include "Store.h"

#include <QSet>
#include <QTextBoundaryFinder>

namespace {

// Counts user-perceived characters, stopping once the limit is reached.
int characterCount(const QString& text, int limit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (count < limit && finder.toNextBoundary() > 0)
        ++count;
    return count;
}

constexpr int searchLimit = 200;
constexpr int suggestedTreatments = 25;

} // namespace

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

QList<Appointment> Store::search(const QString& text)
{
    const QString needle = text.trimmed();
    if (characterCount(needle, 2) < 2)
        return {};
    // Typed text reaches the archive only as a bound parameter, and is matched literally.
    try {
        return m_archive.search(LikePattern::containing(needle), searchLimit);
    } catch (const DatabaseError&) {
        return {};
    }
}

QStringList Store::treatmentSuggestions()
{
    QStringList mostUsed;
    try {
        mostUsed = m_archive.mostUsedTreatments(suggestedTreatments);
    } catch (const DatabaseError&) {
    }
    const QStringList candidates = mostUsed + defaultTreatments();
    QStringList result;
    QSet<QString> seen;
    for (const QString& candidate : candidates) {
        const QString folded = candidate.toLower();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        result.append(candidate);
    }
    return result;
}

std::optional<QString> Store::saveSettings(const QString& studioName, const QList<Dentist>& dentists)
{
    QList<Dentist> stored = dentists;
    for (Dentist& d : stored) {
        d.name = d.name.trimmed();
        if (d.name.isEmpty())
            d.name = QStringLiteral("Dentista ") + QString::number(d.position + 1);
    }
    try {
        m_archive.saveSettings(studioName.trimmed(), stored);
    } catch (const DatabaseError& error) {
        return QStringLiteral("Errore durante il salvataggio: ") + error.message();
    }
    loadSettings();
    return std::nullopt;
}

std::optional<QString> Store::updateDentist(const Dentist& dentist)
{
    QList<Dentist> updated = m_dentists;
    for (Dentist& d : updated)
        if (d.id == dentist.id)
            d = dentist;
    return saveSettings(m_studioName, updated);
}
