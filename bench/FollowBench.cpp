// Following another program on the same file, as Store::followArchive does every half second: the check
// when nothing changed (it must cost next to nothing and repaint nothing), and the refresh after another
// program changed one appointment of the week on show, up to the repainted columns. The other program is
// a second connection to the file; SQLite tells its commits apart from this connection's own alike
// whether it lives in this process or another.
#include "AgendaEnvironment.h"
#include "PaintCounter.h"

#include <benchmark/benchmark.h>

namespace {

// refreshIfChangedElsewhere() with no change: one PRAGMA data_version. The paints counted are those
// pending after all the checks, when the event loop has run.
void followCheckUnchanged(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    (void)env.store.refreshIfChangedElsewhere();
    PaintCounter counter;
    int changes = 0;
    for (auto _ : state)
        changes += env.store.refreshIfChangedElsewhere() ? 1 : 0;
    AgendaEnvironment::settle();
    state.counters["changes_seen"] = changes;
    state.counters["widgets_painted"] = counter.widgets();
}
BENCHMARK(followCheckUnchanged)->Unit(benchmark::kMicrosecond);

// Another program renames the patient of one appointment of the week on show (and back, in turns); then
// the check sees it, the week is read again and the changed column repaints.
void followRefreshAfterOtherWrite(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    if (env.store.weekAppointments().isEmpty()) {
        state.SkipWithError("no appointment in the week on show");
        return;
    }
    const Appointment target = env.store.weekAppointments().first();
    Database other(env.file->path());
    bool renamed = false;
    const auto otherProgramWrites = [&] {
        renamed = !renamed;
        other.run(QStringLiteral("UPDATE appointments SET patient = ? WHERE id = ?"),
                  {renamed ? target.patient + QStringLiteral(" (bis)") : target.patient, target.id});
    };
    {
        PaintCounter counter;
        otherProgramWrites();
        (void)env.store.refreshIfChangedElsewhere();
        QCoreApplication::processEvents();
        state.counters["columns_painted"] = counter.count("DentistColumn");
        state.counters["widgets_painted"] = counter.widgets();
    }
    int missed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        otherProgramWrites();
        state.ResumeTiming();
        missed += env.store.refreshIfChangedElsewhere() ? 0 : 1;
        QCoreApplication::processEvents();
    }
    if (renamed)
        otherProgramWrites();
    (void)env.store.refreshIfChangedElsewhere();
    AgendaEnvironment::settle();
    state.counters["changes_missed"] = missed;
}
BENCHMARK(followRefreshAfterOtherWrite)->Unit(benchmark::kMillisecond);

} // namespace
