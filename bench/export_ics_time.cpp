// export_ics_time <agenda .sqlite> [year] [runs]: times "calvora --export-ics" of a whole year as a
// process, from start to exit, on a copy of the agenda in a scratch data folder.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

double medianMs(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Milliseconds of one run, -1 when it failed.
double runOnce(const QString& dataDir, int year, const QString& out)
{
    QProcess program;
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(CALVORA_EXECUTABLE),
                  {QStringLiteral("--data-dir"), dataDir, QStringLiteral("--export-ics"),
                   QStringLiteral("%1-01-01").arg(year), QStringLiteral("%1-12-31").arg(year), out});
    if (!program.waitForFinished(60000) || program.exitCode() != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        out << "Uso: export_ics_time <agenda .sqlite> [anno] [ripetizioni]\n";
        return 2;
    }
    const int year = args.value(2, QStringLiteral("2026")).toInt();
    const int runs = args.value(3, QStringLiteral("7")).toInt();
    QTemporaryDir scratch;
    const QString dataDir = scratch.filePath(QStringLiteral("Dati"));
    QDir().mkpath(dataDir);
    if (!QFile::copy(args[1], dataDir + QStringLiteral("/calvora.sqlite"))) {
        out << "copia non riuscita\n";
        return 1;
    }
    const QString file = scratch.filePath(QStringLiteral("anno.ics"));
    // The first run upgrades the copy if needed and gives the agenda its identity; not counted.
    if (runOnce(dataDir, year, file) < 0) {
        out << "esportazione non riuscita\n";
        return 1;
    }
    QFile written(file);
    written.open(QIODevice::ReadOnly);
    const QByteArray bytes = written.readAll();
    out << "year " << year << ": " << bytes.count("BEGIN:VEVENT") << " events, " << bytes.size() / 1024 << " KiB\n";

    QList<double> times;
    for (int i = 0; i < runs; ++i)
        times.append(runOnce(dataDir, year, file));
    out << "median " << QString::number(medianMs(times), 'f', 0) << " ms, max "
        << QString::number(*std::max_element(times.begin(), times.end()), 'f', 0) << " ms over " << runs << " runs\n";
    return 0;
}
