// recall_time [<data folder holding calvora.sqlite>]: with a recall for every patient who had a cleaning
// (due six months after their latest one, added when the agenda has none), the list of a month read by the
// store, an editor's save that sets a recall, and the whole "calvora --export-recalls" process for that
// month, on the ten-year agenda (generated when no folder is given) or on any other, e.g. the fullest
// (make_large_db --full <folder>/calvora.sqlite). Medians of repeated runs, wall time.
#include "BenchData.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "FileStore.h"

#include <QCoreApplication>
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

// One recall per patient (by name in any case) on their latest "Igiene orale", in one transaction.
qint64 seedRecalls(Database& db)
{
    db.transaction([&] {
        db.run(QStringLiteral(
            "INSERT OR IGNORE INTO recalls (appointment_id, patient, phone, kind, due_day, closes_from, months, "
            "last_visit, created_at) "
            "SELECT id, patient, phone, 'Igiene', date(day, '+6 months'), date(day, '+5 months'), 6, day, "
            "'2024-01-01 00:00:00' FROM appointments a WHERE treatment = 'Igiene orale' AND NOT EXISTS ("
            "SELECT 1 FROM appointments b WHERE b.patient = a.patient COLLATE NOCASE AND b.treatment = 'Igiene orale' "
            "AND (b.day > a.day OR (b.day = a.day AND b.id > a.id)))"));
    });
    return db.query(QStringLiteral("SELECT COUNT(*) FROM recalls"), {}, [](const SQLRow& r) { return r.integer(0); })
        .value(0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : BenchData::scratchFolder();
    const Clock::Pin pin(BenchData::pinnedMoment());
    const QDate month = Recalls::monthStart(BenchData::pinnedMoment().date());
    double listMs = 0;
    double saveMs = 0;
    double plainSaveMs = 0;
    qint64 recalls = 0;
    int listed = 0;
    double lateMs = 0;
    int lateListed = 0;
    {
        Database db(folder + QStringLiteral("/calvora.sqlite"));
        recalls = seedRecalls(db);
        FileStore store(db);
        listMs = median(51, [&] { listed = int(store.recallList(month)->size()); });
        // Half a year past the agenda's last day nobody has booked since: every recall is listed, overdue.
        const QDate last = *Cal::parseDayKey(db.query(QStringLiteral("SELECT max(day) FROM appointments"), {},
                                                      [](const SQLRow& r) { return r.text(0); })
                                                 .value(0));
        {
            const Clock::Pin later(QDateTime(last.addMonths(7), QTime(10, 0)));
            lateMs = median(21, [&] { lateListed = int(store.recallList(last.addMonths(7))->size()); });
        }
        // A visit of the week on show saved with a recall, which moves between six and twelve months.
        store.showDate(month);
        const Appointment visit = store.weekAppointments().value(0);
        int months = 6;
        saveMs = median(51, [&] {
            months = months == 6 ? 12 : 6;
            const Appointment shown = *store.storedAppointment(visit.id);
            if (store.saveEdited(shown, shown, RecallPlan{months, std::nullopt, QStringLiteral("Controllo"), true}))
                out << "save refused\n";
        });
        // The same save leaving the recall as it is: what the recall adds is the difference.
        plainSaveMs = median(51, [&] {
            Appointment shown = *store.storedAppointment(visit.id);
            shown.notes = shown.notes == QStringLiteral("a") ? QStringLiteral("b") : QStringLiteral("a");
            if (store.saveEdited(shown, *store.storedAppointment(visit.id), std::nullopt))
                out << "save refused\n";
        });
    }
    QTemporaryDir scratch;
    int status = 0;
    const double exportMs = median(11, [&] {
        QProcess program;
        program.setStandardOutputFile(QProcess::nullDevice());
        program.start(QStringLiteral(CALVORA_PROGRAM),
                      {QStringLiteral("--export-recalls"), month.toString(QStringLiteral("yyyy-MM")),
                       scratch.filePath(QStringLiteral("richiami.csv")), QStringLiteral("--data-dir"), folder});
        program.waitForFinished(-1);
        status = program.exitCode();
    });
    out << recalls << " recalls; " << month.toString(QStringLiteral("yyyy-MM")) << ": " << listed << " listed\n"
        << "recallList: " << listMs << " ms (goal < 16)\n"
        << "recallList half a year after the last day, " << lateListed << " listed: " << lateMs << " ms (goal < 16)\n"
        << "editor's save with a recall: " << saveMs << " ms (goal < 8)\n"
        << "editor's save, recall unchanged: " << plainSaveMs << " ms\n"
        << "--export-recalls, whole process (exit " << status << "): " << exportMs << " ms (goal < 300)\n";
    return status;
}
