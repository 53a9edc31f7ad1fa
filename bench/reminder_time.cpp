// reminder_time [<data folder holding calvora.sqlite>]: the confirmation list of a day, read by the store
// and shown by its window, and the whole "calvora --export-reminders" process for that day, on the
// ten-year agenda (generated when no folder is given) or on any other, e.g. the fullest (make_large_db
// --full <folder>/calvora.sqlite). Medians of repeated runs, wall time.
#include "BenchData.h"
#include "Clock.h"
#include "ConfirmationPanel.h"
#include "Database.h"
#include "FileStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

double median(int runs, const std::function<void()>& body)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : BenchData::scratchFolder();
    const Clock::Pin pin(BenchData::pinnedMoment());
    const QDate day = BenchData::pinnedMoment().date().addDays(1);
    double listMs = 0;
    double panelMs = 0;
    int lines = 0;
    {
        Database db(folder + QStringLiteral("/calvora.sqlite"));
        FileStore store(db);
        listMs = median(51, [&] { lines = int(store.appointmentsToConfirm(day)->size()); });
        ConfirmationPanel panel(store);
        panel.show();
        QApplication::processEvents();
        // The window turning to another day and back: read, rows rebuilt, painted.
        panelMs = median(51, [&] {
            panel.setDay(panel.day() == day ? day.addDays(-1) : day);
            panel.repaint();
        });
    }
    QTemporaryDir scratch;
    int status = 0;
    const double exportMs = median(11, [&] {
        QProcess program;
        program.setStandardOutputFile(QProcess::nullDevice());
        program.start(QStringLiteral(CALVORA_PROGRAM),
                      {QStringLiteral("--export-reminders"), day.toString(Qt::ISODate),
                       scratch.filePath(QStringLiteral("promemoria.csv")), QStringLiteral("--data-dir"), folder});
        program.waitForFinished(-1);
        status = program.exitCode();
    });
    out << "day " << day.toString(Qt::ISODate) << ": " << lines << " to confirm\n"
        << "appointmentsToConfirm: " << listMs << " ms (goal < 16)\n"
        << "confirmation window, day changed and painted: " << panelMs << " ms (goal < 16)\n"
        << "--export-reminders, whole process (exit " << status << "): " << exportMs << " ms (goal < 300)\n";
    return status;
}
