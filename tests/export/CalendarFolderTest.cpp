#include "CalendarFolder.h"
#include "ExportFixture.h"

#include <QDir>

using CalendarFolderTest = ExportTest;

namespace {

QStringList summaries(const QByteArray& bytes)
{
    QStringList list;
    for (const ParsedEvent& e : ParsedCalendar::of(bytes).events)
        list << e.summary;
    return list;
}

} // namespace

TEST_F(CalendarFolderTest, followsChangesHereAndOnAnotherComputerWithoutRewritingWhatHolds)
{
    const QString folder = dir.filePath("Calendari");
    ASSERT_TRUE(QDir().mkpath(folder));
    QList<Dentist> dentists = store->dentists();
    dentists[1].name = "Dott.ssa Neri/Bassi";
    ASSERT_FALSE(store->saveSettings({}, dentists));
    ASSERT_FALSE(store->setCalendarFolder(folder));
    CalendarFolder keeper(*store, 10);
    const QString first = folder + "/Dentista 1.ics";
    const QString second = folder + "/Dott.ssa Neri-Bassi.ics";
    const auto holds = [](const QString& path, const QStringList& expected) {
        return TestSupport::eventually([&] { return summaries(read(path)) == expected; });
    };

    const Appointment anna = book(*store, 1, {2026, 3, 5}, 9 * 60, 30, "Anna Verdi", "Igiene orale");
    book(*store, 1, {2026, 4, 24}, 9 * 60, 30, "Ultima Settimana"); // the eighth week, from this Monday
    book(*store, 1, {2026, 4, 27}, 9 * 60, 30, "Troppo Avanti");
    EXPECT_TRUE(holds(first, {"Anna Verdi – Igiene orale", "Ultima Settimana"}));
    EXPECT_TRUE(holds(second, {}));

    // Another computer books on the same agenda; this one sees it at its next look.
    Database otherDb(db->path());
    FileStore other(otherDb);
    book(other, 2, {2026, 3, 6}, 10 * 60, 15, "Luca Neri");
    ASSERT_TRUE(store->refreshIfChangedElsewhere());
    EXPECT_TRUE(holds(second, {"Luca Neri"}));

    ASSERT_TRUE(store->move(anna.id, {2026, 3, 6}, 2, 11 * 60));
    EXPECT_TRUE(holds(first, {"Ultima Settimana"}));
    EXPECT_TRUE(holds(second, {"Luca Neri", "Anna Verdi – Igiene orale"}));

    // The other computer, later, keeps the same folder: it finds the files as they should be and
    // leaves them alone, so the two never take turns rewriting them.
    const QByteArray before = read(first) + read(second);
    clock.set(TestSupport::at(2026, 3, 4, 17, 30));
    CalendarFolder otherKeeper(other, 10);
    otherKeeper.updateNow();
    EXPECT_EQ(read(first) + read(second), before);
    // The next day the weeks move on: the files change, whoever writes them.
    clock.set(TestSupport::at(2026, 3, 9, 8, 0));
    otherKeeper.updateNow();
    EXPECT_EQ(summaries(read(first)), QStringList({"Ultima Settimana", "Troppo Avanti"}));
}
