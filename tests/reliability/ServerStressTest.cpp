// Several copies of the program booking on one PostgreSQL server at once, as the practice's computers,
// and the server stopped hard and started again while they book.

#include "BackupFolder.h"
#include "BookingRace.h"
#include "ConnectionLine.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerArchive.h"
#include "Stress.h"
#include "TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using namespace BookingRace;

// A throwaway server with an agenda whose tables exist before the workers start.
struct ServerAgenda {
    PgTestServer server;
    QString line = server.createDatabase();
    QTemporaryDir dir;

    ServerAgenda() { (void)ServerArchive(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path())); }

    [[nodiscard]] QString agenda() const { return "server:" + line; }

    [[nodiscard]] std::unique_ptr<PgConnection> connect() const { return PgConnection::open(*ConnectionLine::parse(line)); }

    [[nodiscard]] QList<std::pair<QString, Placement>> rows() const
    {
        const PgResult r = connect()->query(storedRows);
        QList<std::pair<QString, Placement>> list;
        for (int i = 0; i < r.rows(); ++i)
            list.append({r.text(i, 0), Placement{r.integer(i, 1), r.text(i, 2), int(r.integer(i, 3)), int(r.integer(i, 4))}});
        return list;
    }

    [[nodiscard]] qint64 overlaps() const { return connect()->query(overlappingPairs).integer(0, 0); }
};

// Whether a worker's output shows a failed save followed by a successful one.
bool savedAfterAFailure(const QStringList& lines)
{
    bool failed = false;
    bool savedSince = false;
    for (const QString& line : lines) {
        if (line.startsWith("save\t") && line.section('\t', 2, 2) == "error") {
            failed = true;
            savedSince = false;
        } else if (line.startsWith("save\t") && line.section('\t', 2, 2) == "ok") {
            savedSince = true;
        }
    }
    return failed && savedSince;
}

} // namespace

TEST(ServerStress, manyProgramsOnOneServerNeverDoubleBookOrLoseABooking)
{
    ServerAgenda agenda;
    const int workers = Stress::pick(8, 16);
    const int bookings = Stress::pick(200, 500);
    const Outcome o = run(Race(agenda.agenda(), workers, bookings, 20241202, agenda.dir.path()));
    const qint64 overlaps = agenda.overlaps();
    std::cout << "[ figures  ] " << workers << " processes x " << bookings << " bookings on a server: "
              << figures(o, overlaps).toStdString() << std::endl;

    EXPECT_EQ(o.faults, QStringList());
    EXPECT_EQ(o.workersDone, workers);
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(o.counts.value("save ok") + o.counts.value("save refused") + o.counts.value("save error"),
              workers * bookings);
    EXPECT_EQ(o.counts.value("save error"), 0);
    EXPECT_GT(o.counts.value("save refused"), workers * bookings / 4);
    EXPECT_GT(o.counts.value("save ok"), workers * bookings / 20);
    EXPECT_GT(o.counts.value("move ok") + o.counts.value("delete ok"), 0);
    const auto rows = agenda.rows();
    EXPECT_EQ(differences(o, rows), QStringList());
    EXPECT_EQ(rows.size(), o.expected.size());
}

// Each outage: once every worker is booking, the server is stopped as by a power cut of its computer
// (pg_ctl stop -m immediate), kept away a second and started again; the workers go on, without being
// restarted, until each has saved again after its last failure.
TEST(ServerStress, aServerStoppedHardWhileProgramsBookLosesNothingAcknowledgedAndTheyWorkOn)
{
    ServerAgenda agenda;
    const int workers = 8;
    const int outages = Stress::pick(1, 5);
    const QString stopFile = agenda.dir.filePath("stop");
    Race race(agenda.agenda(), workers, 20, 1202, agenda.dir.path());
    race.mode = "outage=" + stopFile;
    race.lostAnswers = true;
    int recoveredEachTime = 0;
    race.meanwhile = [&](std::vector<std::unique_ptr<ChildProcess>>& children) {
        for (int n = 0; n < outages; ++n) {
            QList<qsizetype> before;
            for (const auto& child : children)
                before << child->lines().size();
            const auto sinceBefore = [&](size_t i) { return children[i]->lines().mid(before[qsizetype(i)]); };
            // Every worker has booked a few more since the last outage.
            const bool busy = TestSupport::eventually(
                [&] {
                    for (size_t i = 0; i < children.size(); ++i)
                        if (sinceBefore(i).size() < 20)
                            return false;
                    return true;
                },
                60000);
            EXPECT_TRUE(busy);
            if (!busy)
                break;
            agenda.server.stop("immediate");
            QThread::msleep(1000);
            agenda.server.start();
            // Each worker saves again by itself: its archive connects again within a few seconds.
            const bool recovered = TestSupport::eventually(
                [&] {
                    for (size_t i = 0; i < children.size(); ++i)
                        if (!savedAfterAFailure(sinceBefore(i)))
                            return false;
                    return true;
                },
                60000);
            EXPECT_TRUE(recovered) << "outage " << n;
            recoveredEachTime += recovered ? 1 : 0;
        }
        TestSupport::writeFile(stopFile, "stop");
    };
    const Outcome o = run(race);
    const qint64 overlaps = agenda.overlaps();
    std::cout << "[ figures  ] " << workers << " processes, " << outages << " hard stops of the server: "
              << figures(o, overlaps).toStdString() << std::endl;

    EXPECT_EQ(o.faults, QStringList());
    EXPECT_EQ(o.workersDone, workers);
    EXPECT_EQ(o.workersThatFailed, workers); // every worker was booking while the server was away
    EXPECT_EQ(o.workersRecovered, workers);  // and booked again afterwards, without a restart
    EXPECT_EQ(recoveredEachTime, outages);
    EXPECT_EQ(overlaps, 0);
    // Every booking the workers were told is stored is there, in its last acknowledged place.
    EXPECT_EQ(differences(o, agenda.rows()), QStringList());
}
