#pragma once

#include "ChildProcess.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Several copies of the program booking on one agenda at once (the worker's "book" mode), and what each
// was told. Shared by the tests on a data folder's file and on a server.
namespace BookingRace {

struct Placement {
    qint64 dentist = 0;
    QString day;
    int start = 0;
    int duration = 0;
    friend bool operator==(const Placement&, const Placement&) = default;
};

inline void PrintTo(const Placement& p, std::ostream* os)
{
    *os << p.dentist << ' ' << p.day.toStdString() << ' ' << p.start << '+' << p.duration;
}

struct Outcome {
    QHash<QString, Placement> expected; // what the workers were told is stored, after their own moves and deletes
    // Bookings whose last write lost the server's answer, so it may or may not have been done: absent,
    // or stored at one of these placements.
    QHash<QString, QList<Placement>> uncertain;
    QSet<QString> refused;              // bookings refused by a rule or reported as a database error
    QHash<QString, int> counts;         // "save ok", "save refused", "move error", …
    QStringList faults;                 // anything the program did not report properly
    int workersDone = 0;
    int workersThatFailed = 0;          // workers with at least one failed save
    int workersRecovered = 0;           // of those, workers that saved successfully after their last failure
};

struct Race {
    Race(QString agendaName, int workerCount, int bookingsEach, quint64 seedValue, QString outputFolder)
        : agenda(std::move(agendaName)), workers(workerCount), bookings(bookingsEach), seed(seedValue),
          folder(std::move(outputFolder))
    {
    }

    QString agenda; // the worker's <agenda>: a file path or "server:<line>"
    int workers;
    int bookings;
    quint64 seed;
    QString folder; // where the workers' output goes
    QString mode;   // "", "naive" or "outage=<stop file>"
    // Whether a write's answer can be lost (a server that goes away): a write reported as failed may
    // then have been done.
    bool lostAnswers = false;
    // Called once every worker has started, while they work.
    std::function<void(std::vector<std::unique_ptr<ChildProcess>>& workers)> meanwhile;
};

[[nodiscard]] Outcome run(const Race& race);

// Compares what the agenda holds (patient and placement of every row) with what the workers were told;
// returns every difference.
[[nodiscard]] QStringList differences(const Outcome& outcome, const QList<std::pair<QString, Placement>>& stored);

// Pairs of appointments of one dentist on one day whose times overlap (valid on both archives).
inline const QString overlappingPairs = QStringLiteral(
    "SELECT COUNT(*) FROM appointments a JOIN appointments b ON a.dentist_id = b.dentist_id AND a.day = b.day "
    "AND a.id < b.id AND a.start_min < b.start_min + b.duration_min AND b.start_min < a.start_min + a.duration_min");

// The rows compared by differences(), read with this statement (valid on both archives).
inline const QString storedRows =
    QStringLiteral("SELECT patient, dentist_id, day, start_min, duration_min FROM appointments");

[[nodiscard]] QString figures(const Outcome& outcome, qint64 overlaps);

} // namespace BookingRace
