// A full disk or a failing device at every point of a save, a delete, a settings save and a backup.

#include "Backup.h"
#include "Database.h"
#include "FaultVfs.h"
#include "FileStore.h"
#include "Scalar.h"
#include "Store.h"
#include "TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <iostream>

namespace {

struct Fault {
    const char* name;
    unsigned operations;
    bool persistent;
};

// The faults tried at every call: a disk that fills up and stays full, a single failing write, sync,
// journal creation, journal removal (the commit point) and read.
const Fault faults[] = {
    {"disco pieno", FaultVfs::Write, true},     {"scrittura", FaultVfs::Write, false},
    {"sync", FaultVfs::Sync, false},            {"apertura del giornale", FaultVfs::Open, false},
    {"rimozione del giornale", FaultVfs::Delete, false}, {"lettura", FaultVfs::Read, false},
};

// SQLite's texts for the faults above.
bool isFaultText(const QString& text)
{
    return text == "database or disk is full" || text == "disk I/O error" || text == "unable to open database file";
}

// Runs the operation with the fault armed at its n-th call of that kind; whether it fired.
template <typename Operation>
bool armed(const Fault& fault, int n, Operation operation)
{
    FaultVfs::arm(fault.operations, n, fault.persistent);
    operation();
    const bool fired = FaultVfs::fired();
    FaultVfs::disarm();
    return fired;
}

// Calls attempt(n) for n = 1, 2, … until a run in which the fault no longer fires; attempt runs its
// operation armed at the fault's n-th call and answers whether it fired. So every call of that kind that the operation makes fails once.
template <typename Attempt>
int sweep(Attempt attempt)
{
    int points = 0;
    for (int n = 1; n < 2000; ++n) {
        const bool fired = attempt(n);
        FaultVfs::disarm();
        if (!fired)
            break;
        ++points;
    }
    return points;
}

class DiskFull : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    QString path = dir.filePath("calvora.sqlite");
    Database db{path};
    FileStore store{db};

    void SetUp() override
    {
        ASSERT_FALSE(store.save(Appointment{0, 1, "2024-12-02", 540, 30, "Prima", {}, {}, {}}));
    }

    qint64 count(const QString& patient)
    {
        return TestSupport::integer(db, "SELECT COUNT(*) FROM appointments WHERE patient = ?", {patient});
    }

    // The n-th free quarter hour of dentist 2 and 3, from Monday on.
    static Appointment slot(int k, const QString& patient)
    {
        const int perDay = 43 * 2;
        return Appointment{0, 2 + (k % perDay) / 43, QDate(2024, 12, 2).addDays(7 * (k / (perDay * 5)) + (k / perDay) % 5)
                                                        .toString("yyyy-MM-dd"),
                           540 + 15 * (k % 43), 15, patient, "347 000", "Controllo", {}};
    }
};

} // namespace

TEST_F(DiskFull, saveReportsEveryFaultWritesNothingAndWorksAgain)
{
    int k = 0;
    for (const Fault& fault : faults) {
        int reported = 0;
        const int points = sweep([&](int n) {
            const Appointment a = slot(k++, QString("%1 %2").arg(fault.name).arg(n));
            std::optional<QString> message;
            const bool fired = armed(fault, n, [&] { message = store.save(a); });
            if (message) {
                ++reported;
                EXPECT_TRUE(fired) << message->toStdString();
                EXPECT_TRUE(message->startsWith("Errore durante il salvataggio: ")
                            && isFaultText(message->mid(31)))
                    << message->toStdString();
                EXPECT_EQ(count(a.patient), 0) << fault.name << ' ' << n;
                // The fault is gone: the same booking goes through.
                EXPECT_EQ(store.save(a), std::nullopt) << fault.name << ' ' << n;
            }
            EXPECT_EQ(count(a.patient), 1) << fault.name << ' ' << n;
            EXPECT_TRUE(Database::isIntact(path)) << fault.name << ' ' << n;
            return fired;
        });
        std::cout << "[ figures  ] save, " << fault.name << ": " << points << " fault points, " << reported
                  << " reported" << std::endl;
        if (fault.operations != FaultVfs::Read) {
            EXPECT_GT(reported, 0) << fault.name;
        }
    }
    EXPECT_EQ(count("Prima"), 1);
    EXPECT_EQ(TestSupport::integer(db, "SELECT COUNT(*) FROM appointments"), k + 1);
}

// A check that cannot read the other appointments must not turn into a blind write.
TEST_F(DiskFull, overlapCheckThatCannotBeReadNeverDoubleBooks)
{
    const Appointment clash{0, 1, "2024-12-02", 540, 15, "Sovrapposto", {}, {}, {}};
    int refusedByFault = 0;
    const Fault reads{"lettura", FaultVfs::Read, false};
    const int points = sweep([&](int n) {
        db.execute("PRAGMA cache_size = 0; PRAGMA cache_size = 2000"); // every page read from the file again
        std::optional<QString> message;
        const bool fired = armed(reads, n, [&] { message = store.save(clash); });
        EXPECT_TRUE(message.has_value());
        if (message && message->startsWith("Errore durante il salvataggio: "))
            ++refusedByFault;
        return fired;
    });
    EXPECT_GT(points, 0);
    EXPECT_EQ(count("Sovrapposto"), 0);
    std::cout << "[ figures  ] overlap check, lettura: " << points << " fault points, " << refusedByFault
              << " reported as save errors" << std::endl;
}

TEST_F(DiskFull, deleteAndSettingsReportEveryFaultAndKeepTheirRows)
{
    for (const Fault& fault : faults) {
        if (fault.operations == FaultVfs::Read)
            continue;
        int k = 0;
        const int deletePoints = sweep([&](int n) {
            const Appointment a = slot(k++, QString("Da eliminare %1").arg(n));
            EXPECT_FALSE(store.save(a));
            const Appointment stored = store.search(a.patient).value(0);
            store.setAlertMessage(std::nullopt);
            const bool fired = armed(fault, n, [&] { store.deleteAppointment(stored); });
            if (store.alertMessage()) {
                EXPECT_TRUE(store.alertMessage()->startsWith("Errore durante l'eliminazione: ")
                            && isFaultText(store.alertMessage()->mid(31)))
                    << store.alertMessage()->toStdString();
                EXPECT_EQ(count(a.patient), 1);
                store.deleteAppointment(stored);
            }
            EXPECT_EQ(count(a.patient), 0);
            EXPECT_TRUE(Database::isIntact(path));
            return fired;
        });
        const int settingsPoints = sweep([&](int n) {
            const QString name = QString("Studio %1 %2").arg(fault.name).arg(n);
            QList<Dentist> dentists = store.dentists();
            dentists[1].name = name;
            std::optional<QString> message;
            const bool fired = armed(fault, n, [&] { message = store.saveSettings(name, dentists); });
            if (message) {
                EXPECT_TRUE(message->startsWith("Errore durante il salvataggio: ") && isFaultText(message->mid(31)))
                    << message->toStdString();
                EXPECT_NE(store.studioName(), name);
                EXPECT_EQ(store.saveSettings(name, dentists), std::nullopt);
            }
            EXPECT_EQ(store.studioName(), name);
            EXPECT_EQ(store.dentists().value(1).name, name);
            EXPECT_TRUE(Database::isIntact(path));
            return fired;
        });
        std::cout << "[ figures  ] delete, " << fault.name << ": " << deletePoints << " fault points; settings: "
                  << settingsPoints << std::endl;
        EXPECT_GT(deletePoints, 0);
        EXPECT_GT(settingsPoints, 0);
    }
}

TEST_F(DiskFull, backupFailsWithoutLeavingAnyFileAndWorksAgain)
{
    const QString backups = Backup::folder(db);
    int second = 0;
    for (const Fault& fault : faults) {
        int reported = 0;
        const int points = sweep([&](int n) {
            clock.set(TestSupport::at(2024, 12, 4, 11, 0).addSecs(++second));
            const QStringList before = QDir(backups).entryList(QDir::Files);
            QString written;
            QString error;
            const bool fired =
                armed(fault, n, [&] { error = TestSupport::errorOf([&] { written = Backup::now(db); }); });
            const QStringList after = QDir(backups).entryList(QDir::Files);
            if (!error.isEmpty()) {
                ++reported;
                // Nothing new: no file under the backup's name, no partial file.
                EXPECT_EQ(after, before) << fault.name << ' ' << n << ": " << error.toStdString();
                written = Backup::now(db);
            }
            EXPECT_TRUE(Database::isIntact(written)) << fault.name << ' ' << n;
            EXPECT_TRUE(QDir(backups).entryList({"*.part"}, QDir::Files).isEmpty());
            return fired;
        });
        std::cout << "[ figures  ] backup, " << fault.name << ": " << points << " fault points, " << reported
                  << " reported" << std::endl;
    }
    EXPECT_TRUE(Database::isIntact(path));
}
