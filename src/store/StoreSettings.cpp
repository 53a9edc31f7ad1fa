#include "AppointmentRows.h"
#include "Database.h"
#include "Settings.h"
#include "Store.h"
#include "TreatmentTally.h"

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

// LIKE ignores the case of A to Z only, so texts are compared the same way.
QString asciiLower(QString text)
{
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return text;
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
    const QString folded = asciiLower(needle);
    const std::optional<ChangeMark> mark = changeMark();
    try {
        QList<Appointment> found;
        if (mark && m_lastSearch && m_lastSearch->mark == *mark && folded.contains(m_lastSearch->folded))
            found = narrowedSearch(m_lastSearch->results, pattern);
        else
            found = m_db.query(QStringLiteral("SELECT ") + AppointmentRows::columns
                                   + QStringLiteral(" FROM appointments\nWHERE patient LIKE ? OR phone LIKE ? OR "
                                                    "treatment LIKE ?\nORDER BY day DESC, start_min DESC LIMIT 200"),
                               {pattern, pattern, pattern}, AppointmentRows::fromRow);
        // Fewer than 200 rows are every match; a longer text holding this one (without wildcards)
        // can only match some of them.
        const bool literal = !needle.contains(u'%') && !needle.contains(u'_');
        if (mark && literal && found.size() < searchLimit)
            m_lastSearch = LastSearch{*mark, folded, found};
        else
            m_lastSearch.reset();
        return found;
    } catch (const DatabaseError&) {
        m_lastSearch.reset();
        return {};
    }
}

// The matches of `pattern` among the complete matches of a shorter text, in their order: SQLite
// judges each of them again, so LIKE keeps its exact meaning.
QList<Appointment> Store::narrowedSearch(const QList<Appointment>& candidates, const QString& pattern)
{
    if (candidates.isEmpty())
        return {};
    QString marks;
    SQLArgs args;
    for (const Appointment& a : candidates) {
        marks += marks.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
        args.append(a.id);
    }
    for (int i = 0; i < 3; ++i)
        args.append(pattern);
    const QList<qint64> kept =
        m_db.query(QStringLiteral("SELECT id FROM appointments WHERE id IN (") + marks
                       + QStringLiteral(") AND (patient LIKE ? OR phone LIKE ? OR treatment LIKE ?)"),
                   args, [](const SQLRow& row) { return row.integer(0); });
    const QSet<qint64> matching(kept.begin(), kept.end());
    QList<Appointment> found;
    for (const Appointment& a : candidates)
        if (matching.contains(a.id))
            found.append(a);
    return found;
}

std::optional<Store::ChangeMark> Store::changeMark()
{
    // total_changes() counts every row this connection has written (triggers included); data_version
    // moves whenever another connection commits. Together they change with every write to the file;
    // both start afresh on a new connection, so its number is part of the mark.
    try {
        const quint64 connection = m_db.connectionNumber();
        const QList<ChangeMark> marks = m_db.query(
            QStringLiteral("SELECT total_changes(), data_version FROM pragma_data_version"), {},
            [connection](const SQLRow& row) { return ChangeMark{connection, row.integer(0), row.integer(1)}; });
        if (!marks.isEmpty())
            return marks.first();
    } catch (const DatabaseError&) {
    }
    return std::nullopt;
}

QStringList Store::treatmentSuggestions()
{
    // The practice's own treatments by use come from the running tally; should it fail, they are
    // counted from the appointments.
    std::optional<QStringList> mostUsed = TreatmentTally::mostUsed(m_db);
    if (!mostUsed) {
        try {
            mostUsed = m_db.query(QStringLiteral("SELECT treatment FROM appointments WHERE treatment <> ''\n"
                                                 "GROUP BY treatment ORDER BY COUNT(*) DESC LIMIT 25"),
                                  {}, [](const SQLRow& row) { return row.text(0); });
        } catch (const DatabaseError&) {
            mostUsed = QStringList();
        }
    }
    const QStringList candidates = *mostUsed + defaultTreatments();
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
