// Several copies of the program booking on one data folder at once, as reception computers sharing it.

#include "ChildProcess.h"
#include "Database.h"
#include "Stress.h"
#include "TestSupport.h"

#include <QHash>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Placement {
    qint64 dentist = 0;
    QString day;
    int start = 0;
    int duration = 0;
    friend bool operator==(const Placement&, const Placement&) = default;
};

void PrintTo(const Placement& p, std::ostream* os)
{
    *os << p.dentist << ' ' << p.day.toStdString() << ' ' << p.start << '+' << p.duration;
}

struct Outcome {
    QHash<QString, Placement> expected; // what the workers were told is stored, after their own moves and deletes
    QSet<QString> refused;              // bookings refused by a rule or reported as a database error
    QHash<QString, int> counts;         // "save ok", "save refused", "move error", …
    QStringList faults;                 // anything the program did not report properly
    int workersDone = 0;
};

Outcome runWorkers(const QString& path, int workers, int bookings, quint64 seed, bool naive, const QString& folder)
{
    Outcome outcome;
    int ready[2];
    int go[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(go, O_CLOEXEC) != 0) {
        outcome.faults << "pipe";
        return outcome;
    }
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < workers; ++i) {
        QStringList args{"book", path, QString::number(i), QString::number(bookings), QString::number(seed),
                         QString::number(ready[1]), QString::number(go[0])};
        if (naive)
            args << "naive";
        children.push_back(std::make_unique<ChildProcess>(args, folder + QString("/worker-%1.txt").arg(i),
                                                          std::vector<int>{ready[1], go[0]}));
    }
    ::close(ready[1]);
    ::close(go[0]);
    for (int i = 0; i < workers; ++i) {
        char c;
        if (::read(ready[0], &c, 1) != 1)
            outcome.faults << "a worker did not get ready";
    }
    ::close(ready[0]);
    ::close(go[1]); // everybody starts now

    for (int i = 0; i < workers; ++i) {
        const int status = children[size_t(i)]->wait();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            outcome.faults << QString("worker %1 ended with status %2").arg(i).arg(status);
        for (const QString& line : children[size_t(i)]->lines()) {
            const QStringList f = line.split(u'\t');
            const QString kind = f.value(0) + ' ' + f.value(2);
            if (f.value(0) == "done") {
                ++outcome.workersDone;
                continue;
            }
            if (f.value(0) == "alert") {
                ++outcome.counts["read alert"];
                continue;
            }
            ++outcome.counts[kind];
            const QString& tag = f.value(1);
            if (kind == "save ok")
                outcome.expected.insert(tag, {f.value(3).toLongLong(), f.value(4), f.value(5).toInt(), f.value(6).toInt()});
            else if (kind == "save refused" || kind == "save error")
                outcome.refused.insert(tag);
            else if (kind == "move ok") {
                Placement& p = outcome.expected[tag];
                p = {f.value(3).toLongLong(), f.value(4), f.value(5).toInt(), p.duration};
            } else if (kind == "delete ok")
                outcome.expected.remove(tag);
            else if (kind != "move refused" && kind != "move error" && kind != "delete error")
                outcome.faults << QString("worker %1: %2").arg(i).arg(line);
            // Reported database errors must carry the operation's message.
            if (kind == "save error" && !f.value(3).startsWith("Errore durante il salvataggio: "))
                outcome.faults << line;
        }
    }
    return outcome;
}

qint64 integer(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

// Pairs of appointments of one dentist on one day whose times overlap.
const char* const overlappingPairs = R"SQL(
SELECT COUNT(*) FROM appointments a JOIN appointments b
  ON a.dentist_id = b.dentist_id AND a.day = b.day AND a.id < b.id
 AND a.start_min < b.start_min + b.duration_min AND b.start_min < a.start_min + a.duration_min)SQL";

QString figures(const Outcome& o, qint64 overlaps)
{
    QStringList parts;
    for (auto it = o.counts.cbegin(); it != o.counts.cend(); ++it)
        parts << QString("%1=%2").arg(it.key()).arg(it.value());
    parts.sort();
    return parts.join(", ") + QString(", overlaps=%1").arg(overlaps);
}

} // namespace

TEST(Concurrency, manyProgramsOnOneFolderNeverDoubleBookOrLoseABooking)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    { Database create(path); }
    const int workers = Stress::pick(8, 16);
    const int bookings = Stress::pick(200, 500);
    const Outcome o = runWorkers(path, workers, bookings, 20241202, false, dir.path());
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
    const auto rows = db.query("SELECT patient, dentist_id, day, start_min, duration_min FROM appointments", {},
                               [](const SQLRow& r) {
                                   return std::pair(r.text(0), Placement{r.integer(1), r.text(2), int(r.integer(3)),
                                                                         int(r.integer(4))});
                               });
    QHash<QString, Placement> stored;
    for (const auto& [patient, placement] : rows) {
        EXPECT_FALSE(stored.contains(patient)) << "twice: " << patient.toStdString();
        EXPECT_FALSE(o.refused.contains(patient)) << "refused but stored: " << patient.toStdString();
        stored.insert(patient, placement);
    }
    EXPECT_EQ(stored.size(), o.expected.size());
    for (auto it = o.expected.cbegin(); it != o.expected.cend(); ++it)
        EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString();
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
    const Outcome o = runWorkers(path, workers, bookings, 7, true, dir.path());
    Database db(path);
    const qint64 overlaps = integer(db, overlappingPairs);
    std::cout << "[ figures  ] naive, " << workers << " processes x " << bookings << " bookings: "
              << figures(o, overlaps).toStdString() << std::endl;
    EXPECT_GT(overlaps, 0);
}
