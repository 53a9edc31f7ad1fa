// second_place_time <data folder holding calvora.sqlite> [runs]: the copy of a backup into a second
// folder with its check (Backup::copyChecked: bytes, flush, integrity check, counts, rename, pruning),
// plain and encrypted for a recovery key (sealed beside the backup, copied, compared, renamed), wall and
// CPU time, and "calvora --backup-now --to <folder>" as a whole process (backup, copy, check),
// wall time. Medians. Make the agendas with make_large_db [--full] <folder>/calvora.sqlite.
#include "Backup.h"
#include "Database.h"
#include "RecoveryKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTextStream>

#include <algorithm>
#include <ctime>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 2) {
        out << "Uso: second_place_time <cartella dei dati con calvora.sqlite> [ripetizioni]\n";
        return 2;
    }
    const QString data = QDir(args[1]).absolutePath();
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    QTemporaryDir place(data + QStringLiteral("/seconda-XXXXXX"));
    QString backup;
    {
        Database db(data + QStringLiteral("/calvora.sqlite"), Database::StructureCheck::Apart);
        backup = Backup::now(db);
    }
    // Plain, then encrypted: the copy's own bytes as the practice sees them, then what a lost drive holds.
    const QByteArray publicKey = RecoveryKey::create().publicKey;
    for (const QByteArray& key : {QByteArray(), publicKey}) {
        QList<double> wall;
        QList<double> cpu;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            const std::clock_t started = std::clock();
            const QString copy = Backup::copyChecked(backup, place.path(), key);
            cpu.append(double(std::clock() - started) * 1000.0 / CLOCKS_PER_SEC);
            wall.append(double(timer.nsecsElapsed()) / 1e6);
            QFile::remove(copy);
        }
        out << (key.isEmpty() ? "copia con controllo: " : "copia cifrata con controllo: ") << median(wall)
            << " ms (CPU " << median(cpu) << " ms), " << QFile(backup).size() / (1024 * 1024) << " MB\n";
    }
    QList<double> process;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QProcess program;
        program.start(QStringLiteral(CALVORA_EXECUTABLE),
                      {QStringLiteral("--backup-now"), QStringLiteral("--to"), place.path(), QStringLiteral("--data-dir"), data});
        program.waitForFinished(-1);
        process.append(double(timer.nsecsElapsed()) / 1e6);
        if (program.exitCode() != 0) {
            out << "--backup-now: uscita " << program.exitCode() << ": " << program.readAllStandardError() << '\n';
            return 1;
        }
        // Same-second backups share a name; a new second each time keeps the count honest.
        QThread::msleep(1000);
    }
    out << "calvora --backup-now --to: " << median(process) << " ms\n";
    return 0;
}
