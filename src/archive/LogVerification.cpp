#include "LogVerification.h"

#include "AgendaArchive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace LogVerification {

namespace {

// The entries whose personal texts an anonymisation replaced: its details list them ("entries": [n, …]).
QSet<qint64> anonymisedEntries(AgendaArchive& archive)
{
    QSet<qint64> numbers;
    LogFilter filter;
    filter.action = QStringLiteral("anonymise");
    constexpr int page = 1000;
    for (;;) {
        const QList<ActivityEntry> entries = archive.logPage(filter, page);
        for (const ActivityEntry& e : entries) {
            const QJsonArray listed = QJsonDocument::fromJson(e.details.toUtf8()).object().value(u"entries").toArray();
            for (const QJsonValue& n : listed)
                if (n.toInteger() < e.n)
                    numbers.insert(n.toInteger());
        }
        if (entries.size() < page)
            return numbers;
        filter.before = entries.last().n;
    }
}

} // namespace

ActivityChain::Verdict verify(AgendaArchive& archive, const std::atomic<bool>* stop)
{
    const QSet<qint64> anonymised = anonymisedEntries(archive);
    ActivityChain::Verifier verifier([&anonymised](qint64 n) { return anonymised.contains(n); });
    archive.forEachLogEntry([&](const ActivityEntry& e) { return !(stop && *stop) && verifier.add(e); });
    return verifier.verdict();
}

} // namespace LogVerification
