// The activity log where the receptionist reads it, on the large agenda with a large log (make the
// database with make_large_db, then make_large_db --log N, and name it in $CALVORA_BENCH_DB): the
// editor's history of an appointment, read and put into words, and the first page of the activity
// window, read and listed, unfiltered and filtered by patient and by day.
#include "ActivityLogWindow.h"
#include "ActivityText.h"
#include "AgendaEnvironment.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

void appointmentHistory(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    qint64 id = 1;
    qint64 lines = 0;
    for (auto _ : state) {
        // A different appointment each round, across the whole agenda.
        id = id % 150000 + 7919;
        const std::optional<QList<ActivityEntry>> entries = env.store.appointmentHistory(id);
        QStringList out;
        for (const ActivityEntry& e : entries.value_or(QList<ActivityEntry>()))
            out << ActivityText::historyLine(e, env.store);
        lines += out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["lines_per_appointment"] = double(lines) / double(state.iterations());
}
BENCHMARK(appointmentHistory)->Unit(benchmark::kMillisecond);

enum class Filter { None, Patient, AbsentPatient, RarePatient, Day };

// The window's first page, read and listed, as reload() does after a change of filter. A rare patient
// is one the bench's log names a handful of times over the years (absent from a log made without them).
void firstPageOf(benchmark::State& state, AgendaEnvironment& env, Filter filter)
{
    ActivityLogWindow window(env.store, nullptr);
    if (filter == Filter::Patient)
        window.patientFilter()->setText(QStringLiteral("Verdi"));
    if (filter == Filter::AbsentPatient)
        window.patientFilter()->setText(QStringLiteral("Nessuno Maicosì"));
    if (filter == Filter::RarePatient)
        window.patientFilter()->setText(QStringLiteral("Quintavalle"));
    if (filter == Filter::Day) {
        // A working day a month before the newest entry.
        const std::optional<QList<ActivityEntry>> newest = env.store.activityPage({}, 1);
        const QDateTime at = newest && !newest->isEmpty()
            ? QDateTime::fromString(newest->first().at, Qt::ISODateWithMs).toLocalTime()
            : BenchData::pinnedMoment();
        window.dayPicker()->setDate(at.date().addDays(-30));
        window.dayFilter()->setChecked(true);
    }
    window.reload();
    for (auto _ : state)
        window.reload();
    state.counters["rows"] = double(window.shown().size());
}

void firstPage(benchmark::State& state, Filter filter)
{
    firstPageOf(state, AgendaEnvironment::shared(), filter);
}

// The same on the server ($CALVORA_BENCH_SERVER, holding the agenda and its log).
void firstPageOnServer(benchmark::State& state, Filter filter)
{
    AgendaEnvironment* env = AgendaEnvironment::sharedOnServer();
    if (!env) {
        state.SkipWithError("CALVORA_BENCH_SERVER is not set");
        return;
    }
    firstPageOf(state, *env, filter);
}
// One case per filter, on the file and (for the patient filters) on the server.
const bool registered = [] {
    const struct {
        const char* name;
        Filter filter;
        bool onServer;
    } cases[] = {{"unfiltered", Filter::None, false},          {"patient", Filter::Patient, false},
                 {"absentPatient", Filter::AbsentPatient, false}, {"rarePatient", Filter::RarePatient, false},
                 {"day", Filter::Day, false},                    {"server/patient", Filter::Patient, true},
                 {"server/absentPatient", Filter::AbsentPatient, true},
                 {"server/rarePatient", Filter::RarePatient, true}};
    for (const auto& c : cases)
        benchmark::RegisterBenchmark((std::string("activityFirstPage/") + c.name).c_str(),
                                     c.onServer ? firstPageOnServer : firstPage, c.filter)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
