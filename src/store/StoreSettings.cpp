#include "AppointmentRows.h"
#include "Database.h"
#include "Settings.h"
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
    // Typed text reaches SQLite only as a bound parameter; "%" and "_" keep their LIKE meaning.
    const QString pattern = u'%' + needle + u'%';
    try {
        return m_db.query(QStringLiteral("SELECT ") + AppointmentRows::columns
                              + QStringLiteral(" FROM appointments\nWHERE patient LIKE ? OR phone LIKE ? OR "
                                               "treatment LIKE ?\nORDER BY day DESC, start_min DESC LIMIT 200"),
                          {pattern, pattern, pattern}, AppointmentRows::fromRow);
    } catch (const DatabaseError&) {
        return {};
    }
}

QStringList Store::treatmentSuggestions()
{
    QStringList candidates;
    try {
        candidates = m_db.query(QStringLiteral("SELECT treatment FROM appointments WHERE treatment <> ''\n"
                                               "GROUP BY treatment ORDER BY COUNT(*) DESC LIMIT 25"),
                                {}, [](const SQLRow& row) { return row.text(0); });
    } catch (const DatabaseError&) {
        candidates.clear();
    }
    candidates += defaultTreatments();
    QStringList result;
    QSet<QString> seen;
    for (const QString& candidate : std::as_const(candidates)) {
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
    try {
        m_db.transaction([&] {
            Settings::setStudioName(m_db, studioName);
            for (const Dentist& d : dentists) {
                QString name = d.name.trimmed();
                if (name.isEmpty())
                    name = QStringLiteral("Dentista ") + QString::number(d.position + 1);
                m_db.run(QStringLiteral("UPDATE dentists SET name = ?, color = ? WHERE id = ?"),
                         {name, d.colorHex, d.id});
            }
        });
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
