// The search panel and the appointment editor on the large database.
#include "AgendaEnvironment.h"
#include "AppointmentEditor.h"
#include "PaintCounter.h"
#include "SearchPanel.h"

#include <QLineEdit>
#include <QListView>
#include <QToolButton>

#include <memory>

#include <benchmark/benchmark.h>

namespace {

// Search texts: common ones that fill the 200 rows from the newest weeks, and ones that match fewer
// than 200 appointments (a whole name, a whole phone number, a name that is not there), which make
// the query look at every appointment of the ten years.
const char* const commonName = "ro";
const char* const surname = "Rossi";
const char* const phonePrefix = "347";
const char* const treatment = "Igiene";
const char* const fullName = "Ilaria Marchetti";
const char* const fullPhone = "347 5550123";
const char* const absent = "Zanetti";

// Store::search alone: the query and the mapping of its rows. Before each round a common text is
// searched (untimed), so that nothing of an earlier search of the same text can be reused.
void storeSearch(benchmark::State& state, const char* text)
{
    Store& store = AgendaEnvironment::shared().store;
    const QString needle = QString::fromUtf8(text);
    const QString other = QStringLiteral("an");
    qsizetype found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        benchmark::DoNotOptimize(store.search(other).size());
        state.ResumeTiming();
        found = store.search(needle).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["results"] = double(found);
}
BENCHMARK_CAPTURE(storeSearch, common_ro, commonName)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, surname, surname)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, phonePrefix, phonePrefix)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, treatment, treatment)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, fullName, fullName)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, fullPhone, fullPhone)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(storeSearch, absent, absent)->Unit(benchmark::kMillisecond);

// One keystroke in the panel's field: `before` is in the field (and searched) already, the keystroke
// makes it `after`; timed until the list (or hint) has been repainted. A fixed number of rounds, as
// the untimed search of `before` may take as long as the keystroke.
void searchKeystroke(benchmark::State& state, const char* before, const char* after,
                     AgendaEnvironment::Archive archive = AgendaEnvironment::Archive::File)
{
    AgendaEnvironment* onServer = archive == AgendaEnvironment::Archive::Server ? AgendaEnvironment::sharedOnServer() : nullptr;
    if (archive == AgendaEnvironment::Archive::Server && !onServer) {
        state.SkipWithError("CALVORA_BENCH_SERVER names no server holding the large agenda");
        return;
    }
    AgendaEnvironment& env = onServer ? *onServer : AgendaEnvironment::shared();
    SearchPanel panel(env.store, [] {}, QString(), nullptr);
    panel.show();
    (void)QTest::qWaitForWindowExposed(&panel);
    const QString from = QString::fromUtf8(before);
    const QString to = QString::fromUtf8(after);
    {
        panel.field()->setText(from);
        AgendaEnvironment::settle();
        PaintCounter counter;
        panel.field()->setText(to);
        QCoreApplication::processEvents();
        state.counters["results"] = double(panel.results().size());
        state.counters["widgets_painted"] = counter.widgets();
    }
    for (auto _ : state) {
        state.PauseTiming();
        panel.field()->clear();
        panel.field()->setText(from);
        AgendaEnvironment::settle();
        state.ResumeTiming();
        panel.field()->setText(to);
        QCoreApplication::processEvents();
    }
}
// Texts with many matches: the newest 200 are found among the newest weeks.
BENCHMARK_CAPTURE(searchKeystroke, common_ro, "r", "ro")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, surname, "Ross", "Rossi")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, phonePrefix, "34", "347")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, treatment, "Igien", "Igiene")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
// The keystroke at which a text first matches fewer than 200 appointments: every appointment of the
// ten years is looked at.
BENCHMARK_CAPTURE(searchKeystroke, firstRare_name, "Ilaria Mar", "Ilaria Marc")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, firstRare_phone, "347 ", "347 5")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, firstRare_absent, "Za", "Zan")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
// Keystrokes after that, which narrow a result that already holds every match.
BENCHMARK_CAPTURE(searchKeystroke, narrowing_name, "Ilaria Marchett", fullName)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, narrowing_phone, "347 555012", fullPhone)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, narrowing_absent, "Zanett", absent)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

// The same keystrokes with the agenda on a server.
BENCHMARK_CAPTURE(searchKeystroke, common_ro_server, "r", "ro", AgendaEnvironment::Archive::Server)
    ->Name("searchKeystroke/common_ro/server")->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, firstRare_name_server, "Ilaria Mar", "Ilaria Marc", AgendaEnvironment::Archive::Server)
    ->Name("searchKeystroke/firstRare_name/server")->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, firstRare_phone_server, "347 ", "347 5", AgendaEnvironment::Archive::Server)
    ->Name("searchKeystroke/firstRare_phone/server")->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK_CAPTURE(searchKeystroke, firstRare_absent_server, "Za", "Zan", AgendaEnvironment::Archive::Server)
    ->Name("searchKeystroke/firstRare_absent/server")->Unit(benchmark::kMillisecond)->Iterations(40);

// Treatment suggestions with the agenda on a server, nothing written since the last call.
void suggestionsOnServer(benchmark::State& state)
{
    AgendaEnvironment* env = AgendaEnvironment::sharedOnServer();
    if (!env) {
        state.SkipWithError("CALVORA_BENCH_SERVER names no server holding the large agenda");
        return;
    }
    qsizetype count = 0;
    for (auto _ : state) {
        count = env->store.treatmentSuggestions().size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(suggestionsOnServer)->Name("suggestionsUnchanged/server")->Unit(benchmark::kMillisecond);

// treatmentSuggestions() as the editor calls it when it opens, with nothing written since the last
// call (the agenda was only looked at).
void suggestionsUnchanged(benchmark::State& state)
{
    Store& store = AgendaEnvironment::shared().store;
    qsizetype count = 0;
    for (auto _ : state) {
        count = store.treatmentSuggestions().size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(suggestionsUnchanged)->Unit(benchmark::kMillisecond);

// treatmentSuggestions() right after an appointment was saved (the usual case: the editor opens again
// after the previous one saved). The save itself is not timed.
void suggestionsAfterSave(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    Appointment a = env.store.weekAppointments().value(0);
    if (a.id == 0) {
        state.SkipWithError("the week holds no appointment");
        return;
    }
    const QString original = a.notes;
    qsizetype count = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        a.notes = QStringLiteral("Nota %1").arg(++round);
        if (env.store.save(a)) {
            state.ResumeTiming();
            state.SkipWithError("the save was refused");
            break;
        }
        state.ResumeTiming();
        count = env.store.treatmentSuggestions().size();
        benchmark::DoNotOptimize(count);
    }
    a.notes = original;
    (void)env.store.save(a);
    state.counters["entries"] = double(count);
}
BENCHMARK(suggestionsAfterSave)->Unit(benchmark::kMillisecond);

// The first treatmentSuggestions() of a connection, which counts every appointment into the tally
// (on a new connection to a copy of the large database each round; opening it is not timed).
void suggestionsFirstCall(benchmark::State& state)
{
    const QString file = BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite");
    qsizetype count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<NewSession>(file);
        state.ResumeTiming();
        count = session->store.treatmentSuggestions().size();
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(suggestionsFirstCall)->Unit(benchmark::kMillisecond);

// treatmentSuggestions() after another connection (another copy of the program) wrote an appointment:
// the tally is counted again.
void suggestionsAfterOtherWrite(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    NewSession other(env.file->path()); // another computer's program: its writes are logged
    (void)env.store.treatmentSuggestions();
    qsizetype count = 0;
    // A new text in every run: a write that changes nothing leaves no entry in the log.
    static int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        other.db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = 1"),
                  {QStringLiteral("Nota %1").arg(++round)});
        state.ResumeTiming();
        count = env.store.treatmentSuggestions().size();
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(suggestionsAfterOtherWrite)->Unit(benchmark::kMillisecond);

// The appointment editor sheet opened on an appointment of the week, until it is painted.
void openEditor(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const Appointment a = env.store.weekAppointments().value(0);
    {
        PaintCounter counter;
        auto* editor = new AppointmentEditor(env.store, a, &env.view);
        editor->show();
        QCoreApplication::processEvents();
        state.counters["widgets_painted"] = counter.widgets();
        delete editor;
        AgendaEnvironment::settle();
    }
    for (auto _ : state) {
        auto* editor = new AppointmentEditor(env.store, a, &env.view);
        editor->show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        delete editor;
        AgendaEnvironment::settle();
        state.ResumeTiming();
    }
}
BENCHMARK(openEditor)->Unit(benchmark::kMillisecond);

// The editor opened on a store just made, before its search index is ready: the first suggestions of
// the session come from a worker's read of the agenda while the sheet is already painted ("shown",
// timed until then) and are in its list later ("answered").
void openEditorFirstOfSession(benchmark::State& state, bool untilAnswered)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const Appointment a = env.store.weekAppointments().value(0);
    const QString file = BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite");
    int later = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<NewSession>(file);
        state.ResumeTiming();
        auto* editor = new AppointmentEditor(session->store, a, &env.view);
        editor->show();
        QCoreApplication::processEvents();
        auto* button = editor->findChild<QToolButton*>(QStringLiteral("suggestionsButton"));
        later += button->isEnabled() ? 0 : 1;
        while (untilAnswered && !button->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        while (!button->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        delete editor;
        session.reset();
        AgendaEnvironment::settle();
        state.ResumeTiming();
    }
    state.counters["answered_later"] = double(later) / double(state.iterations());
}
BENCHMARK_CAPTURE(openEditorFirstOfSession, shown, false)
    ->Name("openEditor/firstOfSession/shown")->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(openEditorFirstOfSession, answered, true)
    ->Name("openEditor/firstOfSession/answered")->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
