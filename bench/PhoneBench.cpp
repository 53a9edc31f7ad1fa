// The receptionist on the phone, on the large database: the first free hour when the next weeks are
// full, and the known-patient suggestions as a name is typed.
#include "BenchData.h"
#include "Cal.h"
#include "Database.h"
#include "Schedule.h"
#include "FileStore.h"
#include "Store.h"

#include <benchmark/benchmark.h>

namespace {

// A copy of the large database whose four weeks from the pinned day have no free quarter hour left for
// any dentist, so that the first free hour lies at least four weeks ahead.
struct FullMonth {
    QString folder = BenchData::scratchFolder();
    Database db{folder + QStringLiteral("/calvora.sqlite")};
    FileStore store{db};
    QDate firstFree;

    FullMonth()
    {
        const QDate from = BenchData::pinnedMoment().date();
        db.transaction([&] {
            for (QDate day = from; day < from.addDays(28); day = day.addDays(1)) {
                if (!Cal::isWorkday(day))
                    continue;
                for (const Dentist& d : store.dentists()) {
                    const QList<Appointment> taken = db.query(
                        QStringLiteral("SELECT id, dentist_id, day, start_min, duration_min, patient, phone, treatment, "
                                       "notes FROM appointments WHERE day = ? AND dentist_id = ?"),
                        {Cal::dayKey(day), d.id}, [](const SQLRow& r) {
                            return Appointment{r.integer(0), r.integer(1), r.text(2), int(r.integer(3)),
                                               int(r.integer(4)), r.text(5), r.text(6), r.text(7), r.text(8)};
                        });
                    for (const int start : Schedule::freeStarts(taken, Schedule::slotMinutes))
                        db.run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
                                              "patient) VALUES (?, ?, ?, 15, 'Riempimento')"),
                               {d.id, Cal::dayKey(day), start});
                }
            }
        });
    }
};

// Ten proposals for an hour with any dentist, all days, from today.
void freeSlotsFourWeeksAhead(benchmark::State& state)
{
    static FullMonth month;
    SlotSearch search;
    search.durationMinutes = 60;
    QList<FreeSlot> found;
    for (auto _ : state) {
        found = month.store.freeSlots(search, 10).value_or(QList<FreeSlot>());
        benchmark::DoNotOptimize(found.size());
    }
    state.counters["days_ahead"] = found.isEmpty() ? -1.0 : double(BenchData::pinnedMoment().date().daysTo(found.first().day));
    state.counters["found"] = double(found.size());
}
BENCHMARK(freeSlotsFourWeeksAhead)->Unit(benchmark::kMillisecond);

// One keystroke of the known-patient suggestions: the texts a receptionist types on the way to a name.
void knownPatientsKeystroke(benchmark::State& state, const char* text)
{
    static const QString folder = BenchData::scratchFolder();
    static Database db(folder + QStringLiteral("/calvora.sqlite"));
    static FileStore store(db);
    // As the program has it once its window is up (IndexBench keeps the figures of the queries alone).
    static const bool prepared = store.prepareSearch(true);
    (void)prepared;
    const QString typed = QString::fromUtf8(text);
    qsizetype found = 0;
    for (auto _ : state) {
        found = store.knownPatients(typed).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["patients"] = double(found);
}
BENCHMARK_CAPTURE(knownPatientsKeystroke, two_letters, "ro")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatientsKeystroke, surname, "Rossi")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatientsKeystroke, fullName, "Ilaria Marchetti")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatientsKeystroke, absent, "Zanetti")->Unit(benchmark::kMillisecond);

} // namespace
