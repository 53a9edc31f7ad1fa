// The program killed at random instants while it saves and while it backs up.

#include "Backup.h"
#include "ChildProcess.h"
#include "Database.h"
#include "Scalar.h"
#include "Stress.h"
#include "TestSupport.h"

#include <QDir>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

#include <sys/wait.h>

namespace {

// Kills the worker either while it starts (and possibly rolls back what the previous kill left) or at a
// random instant of its work.
void killSomewhere(ChildProcess& child, QRandomGenerator& random, int workMs)
{
    if (random.bounded(10) == 0) {
        QThread::usleep(random.bounded(20000));
    } else {
        ASSERT_TRUE(child.waitForLine("ready", 60000));
        QThread::usleep(random.bounded(workMs * 1000));
    }
    child.kill(SIGKILL);
    const int status = child.wait();
    // It must have been our kill that ended it, not an error of its own.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
}

} // namespace

TEST(Crash, killedWhileSavingLosesNoAcknowledgedSave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    { Database create(path); }
    const int kills = Stress::pick(40, 400);
    QRandomGenerator random(20241202);
    QHash<QString, int> acknowledged; // patient → last acknowledged version of the notes
    int inserts = 0;
    int edits = 0;
    int hotJournals = 0;
    int landedUnacknowledged = 0;
    for (int run = 0; run < kills; ++run) {
        const QString output = dir.filePath(QString("save-%1.txt").arg(run));
        ChildProcess child({"save-loop", path, QString::number(run)}, output);
        killSomewhere(child, random, 150);
        for (const QString& line : child.lines()) {
            const QStringList f = line.split(u'\t');
            if (f[0] == "ack") {
                acknowledged.insert(f.value(1), 0);
                ++inserts;
            } else if (f[0] == "upd") {
                acknowledged.insert(f.value(1), f.value(2).toInt());
                ++edits;
            } else if (f[0] != "ready") {
                ADD_FAILURE() << "run " << run << ": " << line.toStdString();
            }
        }
        if (QFile::exists(path + "-journal"))
            ++hotJournals; // killed inside a transaction

        QHash<QString, int> stored;
        try {
            Database db(path);
            const auto rows = db.query("SELECT patient, notes FROM appointments", {}, [](const SQLRow& r) {
                return std::pair(r.text(0), int(r.integer(1)));
            });
            for (const auto& [patient, version] : rows)
                stored.insert(patient, version);
        } catch (const DatabaseError& e) {
            FAIL() << "run " << run << ": the database does not open: " << e.what();
        }
        ASSERT_TRUE(Database::isIntact(path)) << "run " << run;
        for (auto it = acknowledged.cbegin(); it != acknowledged.cend(); ++it) {
            ASSERT_TRUE(stored.contains(it.key())) << "run " << run << ": lost " << it.key().toStdString();
            // The acknowledged edit, or the one that was being written when the kill came.
            const int version = stored.value(it.key());
            ASSERT_TRUE(version == it.value() || version == it.value() + 1) << it.key().toStdString();
        }
        // At most the one insert that was in flight can be there without its acknowledgement.
        const int extra = int(stored.size() - acknowledged.size());
        ASSERT_LE(extra - landedUnacknowledged, 1) << "run " << run;
        landedUnacknowledged = extra;
        QFile::remove(output);
    }
    // The kills did land while work was going on (how much depends on the disk's speed).
    EXPECT_GT(inserts, 0);
    EXPECT_GT(hotJournals, 0);
    std::cout << "[ figures  ] " << kills << " kills, " << inserts << " acknowledged saves and " << edits
              << " acknowledged edits, 0 lost, " << hotJournals << " kills inside a transaction, "
              << landedUnacknowledged << " unacknowledged saves found stored" << std::endl;
}

TEST(Crash, killedWhileBackingUpLeavesNoHalfWrittenBackup)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    constexpr int appointments = 3000;
    {
        // Large enough that a copy takes a while and the kills land inside it.
        Database db(path);
        db.transaction([&] {
            for (int i = 0; i < appointments; ++i)
                db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, notes) "
                       "VALUES (?, ?, 540, 15, ?, ?)",
                       {qint64(1 + i % 3), QDate(2024, 1, 1).addDays(i).toString("yyyy-MM-dd"),
                        QString("Paziente %1").arg(i), QString("Anamnesi ").repeated(20)});
        });
    }
    const QString backups = dir.filePath("Backup");
    const int kills = Stress::pick(25, 300);
    QRandomGenerator random(7);
    QStringList acknowledged;
    QSet<QString> checked;
    int partialsSeen = 0;
    int mostBackups = 60; // a kill between a copy's rename and the pruning after it leaves one more
    for (int run = 0; run < kills; ++run) {
        const QString output = dir.filePath(QString("backup-%1.txt").arg(run));
        ChildProcess child({"backup-loop", path, QString::number(run)}, output);
        killSomewhere(child, random, 200);
        bool pruned = false;
        for (const QString& line : child.lines()) {
            const QStringList f = line.split(u'\t');
            if (f[0] == "ack" || f[0] == "daily")
                acknowledged.append(f.value(1));
            else if (f[0] != "ready")
                ADD_FAILURE() << "run " << run << ": " << line.toStdString();
            pruned = pruned || f[0] == "ack";
        }
        mostBackups = pruned ? 61 : mostBackups + 1;
        const QStringList names = QDir(backups).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed);
        const QStringList complete = names.filter(QRegularExpression("^calvora-.*\\.sqlite$"));
        partialsSeen += int(names.filter(QRegularExpression("\\.part$")).size());
        // Whatever carries a backup's name is a whole, sound copy.
        for (const QString& name : complete) {
            if (checked.contains(name))
                continue;
            const QString file = backups + '/' + name;
            ASSERT_TRUE(Database::isIntact(file)) << "run " << run << ": " << name.toStdString();
            Database copy(file);
            ASSERT_EQ(TestSupport::integer(copy, "SELECT COUNT(*) FROM appointments"), appointments) << name.toStdString();
            checked.insert(name);
        }
        EXPECT_LE(complete.size(), mostBackups);
        // Every acknowledged backup is there, unless 60 newer ones pushed it out.
        for (const QString& name : std::as_const(acknowledged)) {
            const qsizetype newer =
                std::count_if(complete.cbegin(), complete.cend(), [&](const QString& n) { return n > name; });
            EXPECT_TRUE(complete.contains(name) || newer >= 60) << name.toStdString();
        }
        // The database itself is untouched by all this.
        ASSERT_TRUE(Database::isIntact(path));
        QFile::remove(output);
    }
    const int partialsLeft = int(QDir(backups).entryList({"*.part"}, QDir::Files).size());
    // One more backup after all this keeps exactly the newest 60; the partial files did not count.
    {
        Clock::Pin clock(TestSupport::at(2031, 1, 1, 8, 0));
        Database db(path);
        const QString last = Backup::now(db);
        const QStringList names = QDir(backups).entryList(QDir::Files, QDir::Name | QDir::Reversed);
        const QStringList complete = names.filter(QRegularExpression("^calvora-.*\\.sqlite$"));
        EXPECT_EQ(complete.size(), std::min<qsizetype>(60, checked.size() + 1));
        EXPECT_EQ(complete.value(0), last.section('/', -1));
        EXPECT_EQ(names.filter(QRegularExpression("\\.part$")).size(), partialsLeft);
    }
    std::cout << "[ figures  ] " << kills << " kills, " << acknowledged.size() << " acknowledged backups, "
              << checked.size() << " backup files checked intact, " << partialsLeft
              << " partial files left by kills inside a copy" << std::endl;
    EXPECT_GT(acknowledged.size(), 0);
    EXPECT_GT(partialsSeen, 0); // some kills came in the middle of a copy
}
