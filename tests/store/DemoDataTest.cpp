#include "DemoData.h"
#include "FileStore.h"
#include "SeededGenerator.h"
#include "StoreFixture.h"

#include <QRegularExpression>

namespace {

__extension__ typedef unsigned __int128 Wide;

QList<Appointment> withoutIds(QList<Appointment> list)
{
    for (Appointment& a : list)
        a.id = 0;
    return list;
}

} // namespace

TEST(SeededGenerator, isSplitMix64WithUnbiasedBoundedDraws)
{
    SeededGenerator g(42), bounded(42), a(5), b(5), c(5);
    // Reference outputs of SplitMix64 seeded with 42.
    EXPECT_EQ(g.next(), 0xBDD732262FEB6E95ull);
    EXPECT_EQ(g.next(), 0x28EFE333B266F103ull);
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(bounded.next(7), 7u);
    // A draw is the high half of output × bound; a coin is bit 17 of an output.
    const std::uint64_t x = a.next();
    EXPECT_EQ(b.next(1000), std::uint64_t((static_cast<Wide>(x) * 1000) >> 64));
    EXPECT_EQ(c.nextBool(), ((x >> 17) & 1) == 0);
}

TEST_F(StoreTest, demoDataIsReproducibleAndObeysTheRules)
{
    const int stored = DemoData::seed(*store);
    EXPECT_GT(stored, 30);
    EXPECT_EQ(count(), stored);
    EXPECT_EQ(store->weekAppointments().size(), stored);
    for (const Appointment& a : store->weekAppointments()) {
        EXPECT_EQ(store->validate(a), std::nullopt) << a.day.toStdString() << ' ' << a.startMinutes;
        EXPECT_TRUE(a.phone.isEmpty() || QRegularExpression("^333 [1-9][0-9]{6}$").match(a.phone).hasMatch());
    }
    // The same week on a second fresh database gets the same appointments.
    Database other(":memory:");
    FileStore second(other);
    EXPECT_EQ(DemoData::seed(second), stored);
    EXPECT_EQ(withoutIds(second.weekAppointments()), withoutIds(store->weekAppointments()));
    // A second run on the same database collides with everything it proposes.
    EXPECT_EQ(DemoData::seed(*store), 0);
    EXPECT_EQ(count(), stored);

    // Without dentists nothing is written.
    db.execute("PRAGMA foreign_keys = OFF; DELETE FROM dentists; PRAGMA foreign_keys = ON;");
    store->loadSettings();
    EXPECT_EQ(DemoData::seed(*store), 0);
    EXPECT_EQ(count(), stored);
}
