// A server that keeps the program waiting: a search that a newer one replaced is stopped on the server,
// so the worker is free for the newer one at once, and the window's thread never waits for a connection.
#include "BackupFolder.h"
#include "BackgroundReader.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerArchive.h"
#include "Store.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TEST(StaleSearch, aSearchReplacedByANewerOneIsStoppedAndTheWorkerTakesTheNewerAtOnce)
{
    PgTestServer server;
    const ConnectionLine line = *ConnectionLine::parse(server.createDatabase());
    QTemporaryDir dir;
    ServerArchive archive(line, std::make_unique<BackupFolder>(dir.path()));
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

TEST(StaleSearch, aStepWhileTheServerIsSilentNeverWaitsForTheConnectTimeout)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
    PgTestServer server{PgTestServer::Tcp{}};
    (void)server.createDatabase();
    const ConnectionLine line =
        *ConnectionLine::parse(server.tcpLine("agenda1") + QStringLiteral(" sslmode=disable connect_timeout=3"));
    QTemporaryDir dir;
    ServerArchive archive(line, std::make_unique<BackupFolder>(dir.path()));
    Store store(archive);
    const int port = server.port();
    server.stop();
    // Something else now takes connections at the server's address and never answers them.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int reuse = 1;
    (void)setsockopt(silent, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    ASSERT_EQ(bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 16), 0);
    QElapsedTimer took;
    took.start();
    store.step(1); // the first attempt after the loss
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_FALSE(store.weekLoaded());
    QTest::qWait((ServerArchive::retrySeconds + 1) * 1000);
    took.restart();
    (void)store.refreshIfChangedElsewhere(); // the change check starts an attempt that does not wait
    store.step(1);
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_FALSE(store.weekLoaded());
    close(silent);
}
