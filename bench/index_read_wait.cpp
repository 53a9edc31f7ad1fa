// How long another program's save waits on the search index's reading of the file:
//   index_read_wait [<agenda .sqlite>]
// Without a file, the fullest agenda (every quarter hour of twenty years) is generated in a temporary
// folder first. One thread saves an appointment every 20 ms on a connection of its own, as another
// computer on the same data folder does (far more often), while the index is read three times; how
// long the saves waited for the file is reported beside the same with no reading under way.
#include "Database.h"
#include "LargeDatabase.h"
#include "SqliteIndexSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Saves until told to stop; returns how long each save waited for the file, in microseconds: the time
// to take the file's exclusive lock, which waits while anyone reads (the rest of a save is its own work).
std::vector<qint64> saveRepeatedly(const QString& path, const std::atomic<bool>& stop)
{
    Database db(path);
    std::vector<qint64> waits;
    QElapsedTimer timer;
    for (qint64 n = 0; !stop.load(); ++n) {
        timer.restart();
        db.execute(QStringLiteral("BEGIN EXCLUSIVE"));
        waits.push_back(timer.nsecsElapsed() / 1000);
        db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = (SELECT max(id) FROM appointments)"),
               {QStringLiteral("Salvataggio %1").arg(n)});
        db.execute(QStringLiteral("COMMIT"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return waits;
}

struct Saves {
    qsizetype count = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double worstMs = 0;
    qsizetype over50Ms = 0;
};

Saves summary(std::vector<qint64> durations)
{
    if (durations.empty())
        return {};
    std::sort(durations.begin(), durations.end());
    const auto ms = [&](double share) {
        return double(durations[size_t(share * double(durations.size() - 1))]) / 1000.0;
    };
    const auto over = std::count_if(durations.begin(), durations.end(), [](qint64 us) { return us > 50'000; });
    return {qsizetype(durations.size()), ms(0.5), ms(0.99), ms(1.0), qsizetype(over)};
}

// The saves made while `during` runs on this thread.
Saves savesWhile(const QString& path, const std::function<void()>& during)
{
    std::atomic<bool> stop = false;
    std::vector<qint64> durations;
    std::thread saver([&] { durations = saveRepeatedly(path, stop); });
    during();
    stop = true;
    saver.join();
    return summary(std::move(durations));
}

void show(QTextStream& out, const char* what, const Saves& s)
{
    out << what << ": " << s.count << " saves, wait for the file: median " << QString::number(s.medianMs, 'f', 1)
        << " ms, 99th percentile " << QString::number(s.p99Ms, 'f', 1) << " ms, worst "
        << QString::number(s.worstMs, 'f', 1) << " ms, " << s.over50Ms << " over 50 ms\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QTemporaryDir dir;
    QString path = QCoreApplication::arguments().value(1);
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("calvora.sqlite"));
        Database db(path);
        out << "generating the fullest agenda… " << Qt::flush;
        out << LargeDatabase::fill(db, LargeDatabase::fullTwentyYears()) << " appointments\n" << Qt::flush;
    }
    const std::atomic<bool> cancel = false;
    qsizetype rows = 0;
    qint64 slowestBuildMs = 0;
    const Saves reading = savesWhile(path, [&] {
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer timer;
            timer.start();
            const std::unique_ptr<SearchIndex> index = SqliteIndexSource::load(path, cancel);
            slowestBuildMs = std::max(slowestBuildMs, timer.elapsed());
            rows = index ? index->size() : -1;
        }
    });
    const Saves alone = savesWhile(path, [] { std::this_thread::sleep_for(std::chrono::seconds(3)); });
    out << "index read: " << rows << " rows, " << SqliteIndexSource::rowsPerRead
        << " per read transaction, slowest of 3 " << slowestBuildMs << " ms\n";
    show(out, "saves while the index is read", reading);
    show(out, "saves with no reading", alone);
    return 0;
}
