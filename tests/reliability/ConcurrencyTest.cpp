// Several copies of the program booking on one data folder at once, as reception computers sharing it.

#include "BookingRace.h"
#include "Database.h"
#include "Scalar.h"
#include "Stress.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace BookingRace;
using TestSupport::integer;

TEST(Concurrency, manyProgramsOnOneFolderNeverDoubleBookOrLoseABooking)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    { Database create(path); }
    const int workers = Stress::pick(8, 16);
    const int bookings = Stress::pick(200, 500);
    const Outcome o = run(Race(path, workers, bookings, 20241202, dir.path()));
    Database db(path);
    const qint64 overlaps = integer(db, overlappingPairs);
    RecordProperty("figures", figures(o, overlaps).toStdString());
    std::cout << "[ figures  ] " << workers << " processes x " << bookings << " bookings: "
              << figures(o, overlaps).toStdString() << std::endl;

    EXPECT_EQ(o.faults, QStringList());
    EXPECT_EQ(o.workersDone, workers);
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(o.counts.value("save ok") + o.counts.value("save refused") + o.counts.value("save error"),
              workers * bookings);
    // Most requests collide, and the contest is real: both outcomes occur often.
    EXPECT_GT(o.counts.value("save refused"), workers * bookings / 4);
    EXPECT_GT(o.counts.value("save ok"), workers * bookings / 20);
    EXPECT_GT(o.counts.value("move ok") + o.counts.value("delete ok"), 0);

    // The database holds exactly what the workers were told: every acknowledged booking in its last
    // acknowledged place, nothing refused, nothing deleted.
    const auto rows = db.query(storedRows, {}, [](const SQLRow& r) {
        return std::pair(r.text(0), Placement{r.integer(1), r.text(2), int(r.integer(3)), int(r.integer(4))});
    });
    EXPECT_EQ(differences(o, rows), QStringList());
    EXPECT_EQ(rows.size(), o.expected.size());
    EXPECT_TRUE(Database::isIntact(path));
}

// The same contest with the check and the write as two separate statements: the harness must see the
// double bookings that this produces, or the test above would prove nothing.
TEST(Concurrency, checkThenWriteWithoutTransactionIsCaught)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    { Database create(path); }
    const int workers = 8;
    const int bookings = Stress::pick(200, 500);
    Race naive(path, workers, bookings, 7, dir.path());
    naive.mode = "naive";
    const Outcome o = run(naive);
    Database db(path);
    const qint64 overlaps = integer(db, overlappingPairs);
    std::cout << "[ figures  ] naive, " << workers << " processes x " << bookings << " bookings: "
              << figures(o, overlaps).toStdString() << std::endl;
    EXPECT_GT(overlaps, 0);
}
