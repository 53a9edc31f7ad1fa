#include "ActivityEntry.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

// A chain of `count` entries as an archive would append them, with texts that need escaping.
QList<ActivityEntry> chain(int count)
{
    QList<ActivityEntry> entries;
    QString previous = ActivityChain::genesis();
    for (int i = 1; i <= count; ++i) {
        ActivityEntry e;
        e.n = i;
        e.at = QStringLiteral("2026-12-08T09:%1:00.000Z").arg(i % 60, 2, 10, QChar(u'0'));
        e.action = QStringLiteral("edit");
        e.target = QStringLiteral("appointment");
        e.subject = i * 10;
        e.computer = QStringLiteral("RECEPTION\\1");
        e.account = QStringLiteral("anna");
        e.details = QStringLiteral(R"({"start_min":[540,%1]})").arg(540 + i * 15);
        e.personal = QStringLiteral(R"({"salt":"s%1","patient":["Rossi\nMario","Rossi Mario"]})").arg(i);
        e = ActivityChain::sealed(e, previous);
        previous = e.hash;
        entries.append(e);
    }
    return entries;
}

ActivityChain::Verdict verify(const QList<ActivityEntry>& entries, std::function<bool(qint64)> anonymised = {})
{
    ActivityChain::Verifier verifier(std::move(anonymised));
    for (const ActivityEntry& e : entries)
        if (!verifier.add(e))
            break;
    return verifier.verdict();
}

} // namespace

TEST(ActivityChainTest, aWholeChainVerifiesAndEachKindOfTamperingIsNamed)
{
    const QList<ActivityEntry> whole = chain(6);
    EXPECT_EQ(verify(whole).message(), QStringLiteral("Registro integro: 6 voci"));
    EXPECT_EQ(verify({}).message(), QStringLiteral("Registro integro: 0 voci"));

    QList<ActivityEntry> changed = whole;
    changed[2].details = QStringLiteral(R"({"start_min":[540,600]})");
    EXPECT_EQ(verify(changed).message(), QStringLiteral("Registro alterato: la voce 3 è stata modificata"));

    QList<ActivityEntry> lastChanged = whole;
    lastChanged[5].operatorName = QStringLiteral("Anna");
    EXPECT_EQ(verify(lastChanged).firstBad, 6);

    QList<ActivityEntry> removed = whole;
    removed.removeAt(3);
    EXPECT_EQ(verify(removed).message(), QStringLiteral("Registro alterato: manca la voce 4 (rimossa)"));

    // Slipped in as number 3 with a hash of its own; the entries after it renumbered.
    QList<ActivityEntry> inserted = whole;
    ActivityEntry forged = whole[2];
    forged.details = QStringLiteral(R"({"forged":true})");
    forged = ActivityChain::sealed(forged, whole[1].hash);
    inserted.insert(2, forged);
    for (int i = 3; i < inserted.size(); ++i)
        inserted[i].n = i + 1;
    EXPECT_EQ(verify(inserted).message(), QStringLiteral("Registro alterato: la voce 3 è stata inserita fuori ordine"));

    QList<ActivityEntry> renumbered = whole;
    renumbered.removeAt(3);
    for (int i = 3; i < renumbered.size(); ++i)
        renumbered[i].n = i + 1;
    EXPECT_EQ(verify(renumbered).message(), QStringLiteral("Registro alterato: manca la voce 4 (rimossa)"));

    QList<ActivityEntry> swapped = whole;
    std::swap(swapped[1], swapped[2]);
    EXPECT_EQ(verify(swapped).firstBad, 2);

    // A newline moved from one field into the next would give the same joined text without escaping.
    QList<ActivityEntry> shifted = whole;
    shifted[0].computer = QStringLiteral("RECEPTION\\1\nanna");
    shifted[0].account.clear();
    EXPECT_FALSE(verify(shifted).intact());
}

TEST(ActivityChainTest, anonymisedTextsPassOnlyWhenALaterEntryNamesThem)
{
    QList<ActivityEntry> entries = chain(3);
    entries[1].personal = QStringLiteral(R"({"salt":"","patient":["Paziente anonimizzato","Paziente anonimizzato"]})");
    EXPECT_TRUE(verify(entries, [](qint64 n) { return n == 2; }).intact());
    EXPECT_EQ(verify(entries).message(),
              QStringLiteral("Registro alterato: i dati personali della voce 2 sono stati modificati"));

    // Another name in place of the old one is never an anonymisation.
    entries[1].personal = QStringLiteral(R"({"salt":"","patient":["Bianchi Luca","Bianchi Luca"]})");
    EXPECT_FALSE(verify(entries, [](qint64) { return true; }).intact());
}
