// A search that a newer one replaced is stopped on the server, so the worker is free for the newer one
// at once instead of waiting for an answer nobody wants.
#include "BackgroundReader.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerArchive.h"
#include "TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

TEST(StaleSearch, aSearchReplacedByANewerOneIsStoppedAndTheWorkerTakesTheNewerAtOnce)
{
    PgTestServer server;
    const ConnectionLine line = *ConnectionLine::parse(server.createDatabase());
    QTemporaryDir dir;
    ServerArchive archive(line, dir.path());
    // Another computer holds the table: a search waits for it as long as the lock lasts.
    const std::unique_ptr<PgConnection> holder = PgConnection::open(line);
    holder->execute(QStringLiteral("BEGIN; LOCK TABLE appointments IN ACCESS EXCLUSIVE MODE"));
    const std::unique_ptr<PgConnection> observer = PgConnection::open(line);
    const auto waiting = [&] {
        return observer->query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"))
                   .integer(0, 0)
            > 0;
    };

    BackgroundReader worker(archive.readerMaker());
    std::atomic<int> stale{0}; // 1: answered, 2: stopped
    std::atomic<bool> newer{false};
    worker.ask(0, [&](AgendaReader* reader) {
        try {
            (void)reader->search(QStringLiteral("%rosa%"), 10);
            stale = 1;
        } catch (const DatabaseError&) {
            stale = 2;
        }
    });
    ASSERT_TRUE(TestSupport::eventually(waiting, 10000));
    QElapsedTimer clock;
    clock.start();
    worker.ask(0, [&](AgendaReader*) { newer = true; });
    EXPECT_TRUE(TestSupport::eventually([&] { return newer.load(); }, 3000));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(stale.load(), 2);
    EXPECT_FALSE(waiting());
    holder->execute(QStringLiteral("ROLLBACK"));
}
