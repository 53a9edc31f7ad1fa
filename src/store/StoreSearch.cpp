#include "ActivityEntry.h"
#include "AgendaArchive.h"
#include "BackgroundReader.h"
#include "LikePattern.h"
#include "Store.h"

#include <QPointer>
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

// The pattern a search text asks for; absent when the text is too short to search. Typed text reaches
// the archive only as a bound parameter, and is matched literally.
std::optional<QString> searchPattern(const QString& text)
{
    const QString needle = text.trimmed();
    // No stored text holds a NUL (the server cannot keep one), so such a text finds nothing.
    if (characterCount(needle, 2) < 2 || needle.contains(QChar(0)))
        return std::nullopt;
    return LikePattern::containing(needle);
}

std::optional<QString> patientPattern(const QString& text)
{
    const QString needle = text.trimmed();
    if (needle.size() < 2 || needle.contains(QChar(0)))
        return std::nullopt;
    return LikePattern::containing(needle);
}

// An anonymised appointment's texts are no patient and no treatment to offer.
bool anonymisedText(const QString& text)
{
    return text.compare(QString::fromUtf16(ActivityChain::anonymised), Qt::CaseInsensitive) == 0;
}

QList<KnownPatient> withoutAnonymised(QList<KnownPatient> found)
{
    found.removeIf([](const KnownPatient& p) { return anonymisedText(p.name); });
    return found;
}

QStringList withDefaultTreatments(const QStringList& mostUsed)
{
    const QStringList candidates = mostUsed + Store::defaultTreatments();
    QStringList result;
    QSet<QString> seen{QString::fromUtf16(ActivityChain::anonymised).toLower()};
    for (const QString& candidate : candidates) {
        const QString folded = candidate.toLower();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        result.append(candidate);
    }
    return result;
}

// A question's answer on failure is the empty one (for treatments: the defaults alone).
template <typename T, typename Read>
T orOnFailure(Read read, T failed)
{
    try {
        return read();
    } catch (const DatabaseError&) {
        return failed;
    }
}

} // namespace

QList<Appointment> Store::search(const QString& text)
{
    const std::optional<QString> pattern = searchPattern(text);
    if (!pattern)
        return {};
    return m_archive.search(*pattern, searchLimit);
}

QStringList Store::treatmentSuggestions()
{
    return withDefaultTreatments(m_archive.mostUsedTreatments(suggestedTreatments));
}

QList<KnownPatient> Store::knownPatients(const QString& text, int limit)
{
    const std::optional<QString> pattern = patientPattern(text);
    if (!pattern)
        return {};
    return withoutAnonymised(m_archive.knownPatients(*pattern, limit));
}

template <typename T>
void Store::answerSoon(Question kind, const QObject* receiver, std::function<void(const std::optional<T>&)> answer,
                       const std::function<std::optional<T>()>& atOnce, std::function<T(AgendaReader&)> read,
                       std::function<T()> here)
{
    const int slot = int(kind);
    const quint64 ticket = ++m_asked[slot];
    // Memory that cannot answer leaves the question to the worker's own connection.
    std::optional<T> quick = orOnFailure(atOnce, std::optional<T>());
    if (!quick && !m_background) {
        if (AgendaArchive::ReaderMaker maker = m_archive.readerMaker()) {
            m_background = std::make_unique<BackgroundReader>(std::move(maker));
        } else {
            // No reader of its own: a database in memory, which answers at once.
            answer(orOnFailure([&] { return std::optional<T>(here()); }, std::optional<T>()));
            return;
        }
    }
    if (quick) {
        if (m_background)
            m_background->forget(slot);
        answer(quick);
        return;
    }
    // Handed to the worker and back: only the newest question is answered, on this thread, while its
    // receiver lives. A worker that could not connect or read answers that it did not: this thread never
    // tries in its place, which could keep it waiting up to a connection's timeout.
    m_background->ask(slot, [this, slot, ticket, guard = QPointer<const QObject>(receiver), answer = std::move(answer),
                             read = std::move(read)](AgendaReader* reader) {
        std::optional<T> result;
        if (reader)
            result = orOnFailure([&] { return std::optional<T>(read(*reader)); }, std::optional<T>());
        QMetaObject::invokeMethod(
            this,
            [this, slot, ticket, guard, answer, result] {
                if (guard && m_asked[slot] == ticket)
                    answer(result);
            },
            Qt::QueuedConnection);
    });
}

void Store::search(const QString& text, const QObject* receiver,
                   std::function<void(const std::optional<QList<Appointment>>&)> answer)
{
    const std::optional<QString> pattern = searchPattern(text);
    answerSoon<QList<Appointment>>(
        Question::Search, receiver, std::move(answer),
        [&]() -> std::optional<QList<Appointment>> {
            if (!pattern)
                return QList<Appointment>();
            return m_archive.searchFromMemory(*pattern, searchLimit);
        },
        [pattern](AgendaReader& reader) { return reader.search(*pattern, searchLimit); },
        [this, pattern] { return m_archive.search(*pattern, searchLimit); });
}

void Store::knownPatients(const QString& text, const QObject* receiver,
                          std::function<void(const std::optional<QList<KnownPatient>>&)> answer, int limit)
{
    const std::optional<QString> pattern = patientPattern(text);
    answerSoon<QList<KnownPatient>>(
        Question::KnownPatients, receiver,
        [answer = std::move(answer)](const std::optional<QList<KnownPatient>>& found) {
            answer(found ? std::optional(withoutAnonymised(*found)) : std::nullopt);
        },
        [&]() -> std::optional<QList<KnownPatient>> {
            if (!pattern)
                return QList<KnownPatient>();
            return m_archive.knownPatientsFromMemory(*pattern, limit);
        },
        [pattern, limit](AgendaReader& reader) { return reader.knownPatients(*pattern, limit); },
        [this, pattern, limit] { return m_archive.knownPatients(*pattern, limit); });
}

void Store::treatmentSuggestions(const QObject* receiver, std::function<void(const QStringList&)> answer)
{
    answerSoon<QStringList>(
        Question::Treatments, receiver,
        [answer = std::move(answer)](const std::optional<QStringList>& found) {
            answer(found ? *found : withDefaultTreatments({}));
        },
        [&]() -> std::optional<QStringList> {
            if (const std::optional<QStringList> mostUsed = m_archive.mostUsedTreatmentsFromMemory(suggestedTreatments))
                return withDefaultTreatments(*mostUsed);
            return std::nullopt;
        },
        [](AgendaReader& reader) { return withDefaultTreatments(reader.mostUsedTreatments(suggestedTreatments)); },
        [this] { return withDefaultTreatments(m_archive.mostUsedTreatments(suggestedTreatments)); });
}
