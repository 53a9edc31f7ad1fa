#include "StoreFixture.h"
#include "FileStore.h"

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

TEST_F(StoreTest, newAppointmentProposesSensibleDefaults)
{
    const auto proposal = [&](int h, int m) {
        clock.set(TestSupport::at(2024, 12, 4, h, m));
        store->newAppointment();
        return std::pair(store->editing()->startMinutes, store->editing()->durationMinutes);
    };
    EXPECT_EQ(proposal(14, 7), std::pair(855, 30));
    EXPECT_EQ(proposal(14, 15), std::pair(855, 30));
    EXPECT_EQ(proposal(19, 20), std::pair(1170, 15));
    EXPECT_EQ(proposal(19, 40), std::pair(540, 30));
    EXPECT_EQ(proposal(8, 30), std::pair(540, 30));
    EXPECT_EQ(*store->editing(), (Appointment{0, 1, "2024-12-04", 540, 30, {}, {}, {}, {}}));

    // Another day starts at 09:00; a given slot and dentist are taken as they are.
    store->newAppointment(QDate(2024, 12, 5));
    EXPECT_EQ(store->editing()->startMinutes, 540);
    store->newAppointment(QDate(2024, 12, 3), 2, 1170);
    EXPECT_EQ(*store->editing(), (Appointment{0, 2, "2024-12-03", 1170, 15, {}, {}, {}, {}}));
    EXPECT_EQ(count(), 0);
}

TEST_F(StoreTest, validationRulesInOrderWithTheirMessages)
{
    const QString weekdays = QStringLiteral("Lo studio riceve solo dal lunedì al venerdì.");
    const QString grid = QStringLiteral("Orario e durata devono essere multipli di 15 minuti.");
    const auto hours = [](const char* end) {
        return QStringLiteral("L'appuntamento deve essere compreso tra le 09:00 e le 19:45 (ora termina alle ")
            + QString::fromUtf8(end) + QStringLiteral(").");
    };
    const std::pair<Appointment, std::optional<QString>> cases[] = {
        {booking(1, "2024-12-07", 545, 20, " \n "), QStringLiteral("Inserire il nome del paziente.")},
        {booking(1, "2024-12-07", 540, 30), weekdays},
        {booking(1, "2024-12-08", 540, 30), weekdays},
        {booking(1, "2024-13-02", 540, 30), weekdays},
        {booking(1, "2024-12-02", 1170, 30), hours("20:00")},
        {booking(1, "2024-12-02", 525, 30), hours("09:15")},
        {booking(1, "2024-12-02", 545, 30), grid},
        {booking(1, "2024-12-02", 540, 20), grid},
        {booking(1, "2024-12-02", 540, 0), grid},
        {booking(1, "2024-12-02", 1170, 15), std::nullopt},
    };
    for (const auto& [a, message] : cases) {
        EXPECT_EQ(store->validate(a), message) << a.day.toStdString() << ' ' << a.startMinutes;
        EXPECT_EQ(store->save(a), message);
    }
    EXPECT_EQ(count(), 1);
}

TEST_F(StoreTest, anOverlapWithADentistNoLoadedDentistHasNamesItGenerically)
{
    // The foreign key refuses such a row later; the rule's message must still make sense.
    db.execute("PRAGMA foreign_keys = OFF; INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
               "patient) VALUES (7, '2024-12-03', 600, 60, 'Orfano'); PRAGMA foreign_keys = ON;");
    EXPECT_EQ(store->validate(booking(7, "2024-12-03", 630, 15)),
              QStringLiteral("Il dentista ha già un appuntamento 10:00–11:00 (Orfano)."));
}

// Two connections on one file, as two reception computers sharing the data folder.
TEST_F(StoreTest, checkAndWriteAreAtomicAcrossConnections)
{
    QTemporaryDir dir;
    Database mine(dir.filePath("calvora.sqlite"));
    FileStore shared(mine);
    const auto rows = [&] {
        return mine.query("SELECT COUNT(*) FROM appointments", {}, [](const SQLRow& r) { return r.integer(0); })
            .value(0);
    };
    std::atomic<bool> holding{false};
    // The other computer books 10:00 inside its own transaction and commits a moment later. Without a
    // transaction around our check and write, our check would not see its booking and we would write
    // the same slot once its lock is released.
    std::thread other([&] {
        Database theirs(mine.path());
        theirs.execute("BEGIN IMMEDIATE");
        insert(theirs, "2024-12-03", 600, "Altro computer");
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        theirs.execute("COMMIT");
    });
    while (!holding)
        std::this_thread::yield();
    const auto message = shared.save(booking(1, "2024-12-03", 600, 30));
    other.join();
    EXPECT_EQ(message, QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:15 (Altro computer)."));
    EXPECT_EQ(rows(), 1);
}
