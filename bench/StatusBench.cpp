// The practice's day on the large database: a status change of an appointment of the week on show, up
// to the moment the agenda has been repainted (the write, the week's reload and the column's paint), and
// the read of a patient's missed and late-cancelled appointments that the editor makes when it opens.
#include "AgendaEnvironment.h"
#include "Clock.h"
#include "PaintCounter.h"

#include <benchmark/benchmark.h>

namespace {

// An appointment of the day on show, in the middle of the week.
std::optional<Appointment> middleOfWeek(Store& store)
{
    for (const Appointment& a : store.weekAppointments())
        if (a.date() == BenchData::pinnedMoment().date())
            return a;
    return std::nullopt;
}

void statusChange(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const std::optional<Appointment> a = middleOfWeek(env.store);
    if (!a) {
        state.SkipWithError("no appointment on the pinned day");
        return;
    }
    {
        PaintCounter counter;
        (void)env.store.setStatus(a->id, AppointmentStatus::Arrived);
        QCoreApplication::processEvents();
        state.counters["columns_painted"] = counter.count("DentistColumn");
    }
    bool confirmed = false;
    for (auto _ : state) {
        confirmed = !confirmed;
        (void)env.store.setStatus(a->id, confirmed ? AppointmentStatus::Confirmed : AppointmentStatus::Arrived);
        QCoreApplication::processEvents();
    }
    (void)env.store.setStatus(a->id, AppointmentStatus::ToConfirm);
    AgendaEnvironment::settle();
}
BENCHMARK(statusChange)->Unit(benchmark::kMillisecond);

void brokenAppointmentsRead(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const std::optional<Appointment> a = middleOfWeek(env.store);
    if (!a) {
        state.SkipWithError("no appointment on the pinned day");
        return;
    }
    const QDate since = Clock::today().addYears(-2);
    for (auto _ : state)
        benchmark::DoNotOptimize(env.store.missedAndLateCancelled(a->patient, a->phone, since));
}
BENCHMARK(brokenAppointmentsRead)->Unit(benchmark::kMillisecond);

} // namespace
