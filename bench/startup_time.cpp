// Start-up of the real program on the large database, from the moment the process is spawned to the
// first paint of the agenda window's grid, and its resident memory then.
//
//   startup_time [--runs N] [--first-of-day] [--session] [--floor] [--server "<connection line>"]
//
// Each run starts calvora_startup_probe (the program's own main() with a first-paint watch, built
// beside this tool) with --data-dir on a copy of the large database. By default the folder already
// holds today's daily backup, as on every start after the first of the day; --first-of-day removes it
// before each run, so the daily backup is taken during the start. --session lets the probe also work
// in the window and report the memory afterwards. --floor also starts, before each run of the probe,
// empty_window (one empty window of the same size, nothing else) and reports its start-up beside the
// program's. --server puts the line in the folder's server.txt, so that the program keeps the agenda on
// that server (whose database must hold the large agenda, copied there with calvora --copy-to-server).
// The first run warms the system's file cache and is reported apart.
#include "BenchData.h"
#include "Cal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Run {
    double ms = 0;
    qint64 rssKb = 0;
    qint64 hwmKb = 0;
    qint64 sessionRssKb = 0;
    qint64 sessionHwmKb = 0;
};

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::optional<Run> startOnce(const QString& probe, const QString& folder)
{
    const bool floor = folder.isEmpty();
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const QByteArray probeBytes = QFile::encodeName(probe);
    const QByteArray folderBytes = QFile::encodeName(folder);
    QByteArray dataDir("--data-dir");
    char* argv[] = {const_cast<char*>(probeBytes.constData()), floor ? nullptr : dataDir.data(),
                    const_cast<char*>(folderBytes.constData()), nullptr};
    pid_t pid = 0;
    const qint64 started = monotonicNs();
    const int rc = posix_spawn(&pid, probeBytes.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return std::nullopt;
    }
    QByteArray text;
    char buffer[512];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    Run run;
    bool painted = false;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 6 && f[0] == "painted_ns") {
            run.ms = double(f[1].toLongLong() - started) / 1e6;
            run.rssKb = f[3].toLongLong();
            run.hwmKb = f[5].toLongLong();
            painted = true;
        } else if (f.size() == 5 && f[0] == "session") {
            run.sessionRssKb = f[2].toLongLong();
            run.sessionHwmKb = f[4].toLongLong();
        }
    }
    if (!painted)
        return std::nullopt;
    return run;
}

// A display server just started (xvfb-run) may refuse the very first connection: a start that reports
// no paint is tried again, twice at most.
std::optional<Run> start(const QString& probe, const QString& folder)
{
    std::optional<Run> run;
    for (int attempt = 0; attempt < 3 && !run; ++attempt)
        run = startOnce(probe, folder);
    return run;
}

struct Options {
    int runs = 11;
    bool firstOfDay = false;
    bool session = false;
    bool floor = false;
    QString server;
};

// Absent when an argument is not understood.
std::optional<Options> parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--runs" && i + 1 < args.size())
            o.runs = std::max(2, args[++i].toInt());
        else if (args[i] == u"--first-of-day")
            o.firstOfDay = true;
        else if (args[i] == u"--session")
            o.session = true;
        else if (args[i] == u"--floor")
            o.floor = true;
        else if (args[i] == u"--server" && i + 1 < args.size())
            o.server = args[++i];
        else
            return std::nullopt;
    }
    return o;
}

struct Measured {
    QList<Run> runs;
    QList<Run> floors; // the empty window's, with --floor
};

// The runs, the first one included; absent (after saying why) when a start did not report its paint.
std::optional<Measured> measure(const Options& o, const QString& folder, const QString& daily, QTextStream& out)
{
    const QString probe = QCoreApplication::applicationDirPath() + QStringLiteral("/calvora_startup_probe");
    const QString emptyWindow = QCoreApplication::applicationDirPath() + QStringLiteral("/empty_window");
    Measured m;
    for (int i = 0; i < o.runs; ++i) {
        if (o.floor) {
            const std::optional<Run> run = start(emptyWindow, QString());
            if (!run) {
                out << "the empty window did not report a first paint: " << emptyWindow << '\n';
                return std::nullopt;
            }
            m.floors.append(*run);
        }
        if (o.firstOfDay)
            QFile::remove(daily);
        else if (!QFile::exists(daily))
            QFile::copy(folder + QStringLiteral("/calvora.sqlite"), daily);
        const std::optional<Run> run = start(probe, folder);
        if (!run) {
            out << "the probe did not report a first paint: " << probe << '\n';
            return std::nullopt;
        }
        if (o.firstOfDay && !QFile::exists(daily)) {
            out << "the start took no daily backup\n";
            return std::nullopt;
        }
        m.runs.append(*run);
    }
    return m;
}

QList<double> sortedTimes(const QList<Run>& list)
{
    QList<double> times;
    for (const Run& r : list)
        times.append(r.ms);
    std::sort(times.begin(), times.end());
    return times;
}

void report(const Options& o, Measured m, QTextStream& out)
{
    const Run first = m.runs.takeFirst();
    const QList<double> times = sortedTimes(m.runs);
    const auto maxOf = [&](auto field) {
        qint64 most = 0;
        for (const Run& r : std::as_const(m.runs))
            most = std::max(most, r.*field);
        return most;
    };
    out << "platform " << qgetenv("QT_QPA_PLATFORM") << (o.server.isEmpty() ? ", agenda file" : ", agenda on the server")
        << (o.firstOfDay ? ", daily backup taken at start" : ", daily backup already present")
        << ", " << m.runs.size() << " runs after one warm-up run\n";
    out << "first run           " << QString::number(first.ms, 'f', 1) << " ms\n";
    out << "start-up to paint   median " << QString::number(times[times.size() / 2], 'f', 1) << " ms, min "
        << QString::number(times.first(), 'f', 1) << " ms, max " << QString::number(times.last(), 'f', 1) << " ms\n";
    out << "resident at paint   VmRSS max " << maxOf(&Run::rssKb) / 1024.0 << " MB, VmHWM max "
        << maxOf(&Run::hwmKb) / 1024.0 << " MB\n";
    if (o.floor) {
        m.floors.removeFirst();
        const QList<double> floorTimes = sortedTimes(m.floors);
        const double floorMedian = floorTimes[floorTimes.size() / 2];
        out << "floor: empty window median " << QString::number(floorMedian, 'f', 1) << " ms, min "
            << QString::number(floorTimes.first(), 'f', 1) << " ms, max " << QString::number(floorTimes.last(), 'f', 1)
            << " ms\n";
        out << "program / floor     " << QString::number(times[times.size() / 2] / floorMedian, 'f', 2) << "\n";
    }
    if (o.session)
        out << "after the session   VmRSS max " << maxOf(&Run::sessionRssKb) / 1024.0 << " MB, VmHWM max "
            << maxOf(&Run::sessionHwmKb) / 1024.0 << " MB\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const std::optional<Options> options = parseOptions(QCoreApplication::arguments());
    if (!options) {
        out << "Uso: startup_time [--runs N] [--first-of-day] [--session] [--floor] [--server \"<riga di connessione>\"]\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (options->session)
        qputenv("CALVORA_PROBE_SESSION", "1");

    const QString folder = BenchData::scratchFolder();
    const QString backupFolder = folder + QStringLiteral("/Backup");
    const QString daily = backupFolder + QStringLiteral("/calvora-") + Cal::dayKey(BenchData::pinnedMoment().date())
        + QStringLiteral(".sqlite");
    QDir().mkpath(backupFolder);
    if (!options->server.isEmpty()) {
        QFile line(folder + QStringLiteral("/server.txt"));
        if (!line.open(QIODevice::WriteOnly) || line.write(options->server.toUtf8() + '\n') < 0) {
            out << "cannot write " << line.fileName() << '\n';
            return 1;
        }
    }
    const std::optional<Measured> measured = measure(*options, folder, daily, out);
    if (!measured)
        return 1;
    report(*options, *measured, out);
    return 0;
}
