// backup_look_time <data folder holding calvora.sqlite> [runs]: a backup opened to be looked into, as
// "Ripristina da backup…" does (copied into a working folder, brought up to date there, opened read-only)
// and its week painted in the agenda window (1440 × 900), wall time from the choice to the painted window.
// Medians. Make the agendas with make_large_db [--full] <folder>/calvora.sqlite.
#include "AgendaArchive.h"
#include "Backup.h"
#include "BackupList.h"
#include "BenchData.h"
#include "CalvoraView.h"
#include "Clock.h"
#include "Database.h"
#include "Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 2) {
        out << "Uso: backup_look_time <cartella dei dati con calvora.sqlite> [ripetizioni]\n";
        return 2;
    }
    const Clock::Pin pin(BenchData::pinnedMoment());
    const QString data = QDir(args[1]).absolutePath();
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    QString backup;
    {
        Database db(data + QStringLiteral("/calvora.sqlite"), Database::StructureCheck::Apart);
        backup = Backup::now(db);
    }
    QList<double> opening;
    QList<double> total;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir work;
        QElapsedTimer timer;
        timer.start();
        Store store(Backup::openCopy(backup, work.path()));
        store.setReadOnly(true);
        store.showDate(Clock::today());
        opening.append(double(timer.nsecsElapsed()) / 1e6);
        {
            CalvoraView view(store, AgendaPanels{});
            view.showAsCopy(QStringLiteral("Copia di backup – sola lettura"));
            view.resize(1440, 900);
            view.show();
            (void)QTest::qWaitForWindowExposed(&view);
            QCoreApplication::processEvents();
            total.append(double(timer.nsecsElapsed()) / 1e6);
            out << "  " << store.weekAppointments().size() << " appuntamenti nella settimana\n";
        }
    }
    QFile::remove(backup);
    out << "apertura in sola lettura: " << median(opening) << " ms; con la settimana dipinta: " << median(total)
        << " ms (" << QFile(data + QStringLiteral("/calvora.sqlite")).size() / (1024 * 1024) << " MB)\n";
    return 0;
}
