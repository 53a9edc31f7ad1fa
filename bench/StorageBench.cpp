// The database side on the large file: the daily backup and the reading of a week.
#include "AgendaEnvironment.h"
#include "Backup.h"
#include "BenchData.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "FileStore.h"
#include "PgConnection.h"
#include "Store.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

// The daily backup as the first start of a day takes it: VACUUM INTO a partial file, flush, integrity
// check of the copy, rename, flush of the folder, pruning. The copy of the previous round is removed
// (untimed) so that each round finds no backup of today.
void dailyBackup(benchmark::State& state)
{
    const QString folder = BenchData::scratchFolder();
    Database db(folder + QStringLiteral("/calvora.sqlite"));
    const QString daily =
        Backup::folder(db) + QStringLiteral("/calvora-") + Cal::dayKey(Clock::today()) + QStringLiteral(".sqlite");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(daily);
        state.ResumeTiming();
        Backup::dailyIfNeeded(db);
    }
    state.counters["bytes"] = double(QFile(daily).size());
}
BENCHMARK(dailyBackup)->Unit(benchmark::kMillisecond)->UseRealTime();

// VACUUM INTO alone, without the checks around it.
void vacuumInto(benchmark::State& state)
{
    const QString folder = BenchData::scratchFolder();
    Database db(folder + QStringLiteral("/calvora.sqlite"));
    const QString target = folder + QStringLiteral("/copy.sqlite");
    for (auto _ : state)
        db.backup(target);
}
BENCHMARK(vacuumInto)->Unit(benchmark::kMillisecond)->UseRealTime();

// Store::reload() of a full week, walking 40 weeks forward and back as the agenda's step does.
void reloadWeek(benchmark::State& state)
{
    const QString folder = BenchData::scratchFolder();
    Database db(folder + QStringLiteral("/calvora.sqlite"));
    FileStore store(db);
    store.showDate(BenchData::pinnedMoment().date());
    int taken = 0;
    int direction = 1;
    for (auto _ : state) {
        if (taken == 40) {
            taken = 0;
            direction = -direction;
        }
        store.setAnchor(store.anchor().addDays(7 * direction));
        store.reload();
        ++taken;
    }
    state.counters["appointments"] = double(store.weekAppointments().size());
}
BENCHMARK(reloadWeek)->Unit(benchmark::kMillisecond);

// Store::save of a changed appointment: validation, the overlap check, the UPDATE and its activity log
// entry in one transaction, and the reload of the week (without a window). Unlogged: the same with the
// log's trigger on the appointments' updates dropped from the connection, to show what the entry costs.
void saveRounds(benchmark::State& state, bool logged)
{
    const QString folder = BenchData::scratchFolder();
    Database db(folder + QStringLiteral("/calvora.sqlite"));
    FileStore store(db);
    if (!logged)
        db.execute(QStringLiteral("DROP TRIGGER temp.log_appointments_updated"));
    store.showDate(BenchData::pinnedMoment().date());
    (void)store.treatmentSuggestions(); // as after the editor has been open once
    Appointment a = store.weekAppointments().value(0);
    int round = 0;
    for (auto _ : state) {
        a.notes = QStringLiteral("Nota %1").arg(++round);
        a.treatment = round % 2 ? QStringLiteral("Protesi") : QStringLiteral("Igiene orale");
        if (store.save(a)) {
            state.SkipWithError("the save was refused");
            break;
        }
    }
}

void saveAppointment(benchmark::State& state)
{
    saveRounds(state, true);
}
BENCHMARK(saveAppointment)->Unit(benchmark::kMillisecond);

// The same save on the server, whose triggers add the log entry in the same transaction. Without the
// log (its trigger disabled for the round, which the bench's role may do to an unguarded log), the
// difference is what the log adds.
void saveAppointmentOnServer(benchmark::State& state, bool logged)
{
    AgendaEnvironment* env = AgendaEnvironment::sharedOnServer();
    if (!env) {
        state.SkipWithError("CALVORA_BENCH_SERVER names no server holding the large agenda");
        return;
    }
    const std::unique_ptr<PgConnection> owner = PgConnection::open(*ConnectionLine::parse(AgendaEnvironment::serverLine()));
    const QString trigger = QStringLiteral(" TRIGGER appointments_logged");
    if (!logged)
        owner->execute(QStringLiteral("ALTER TABLE appointments DISABLE") + trigger);
    Store& store = env->store;
    store.showDate(BenchData::pinnedMoment().date());
    env->archive->setAction(QStringLiteral("edit"));
    Appointment a = store.weekAppointments().value(0);
    int round = 0;
    for (auto _ : state) {
        a.notes = QStringLiteral("Nota %1").arg(++round);
        a.treatment = round % 2 ? QStringLiteral("Protesi") : QStringLiteral("Igiene orale");
        if (store.save(a)) {
            state.SkipWithError("the save was refused");
            break;
        }
    }
    if (!logged)
        owner->execute(QStringLiteral("ALTER TABLE appointments ENABLE") + trigger);
    state.counters["log_entries"] = double(owner->query(QStringLiteral("SELECT count(*) FROM activity_log")).integer(0, 0));
}
BENCHMARK_CAPTURE(saveAppointmentOnServer, logged, true)->Name("saveAppointment/server")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(saveAppointmentOnServer, unlogged, false)
    ->Name("saveAppointment/serverWithoutLog")
    ->Unit(benchmark::kMillisecond);

void saveAppointmentUnlogged(benchmark::State& state)
{
    saveRounds(state, false);
}
BENCHMARK(saveAppointmentUnlogged)->Unit(benchmark::kMillisecond);

} // namespace
