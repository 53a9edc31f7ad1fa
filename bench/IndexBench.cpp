// The search index: how long a worker thread takes to build it, and the answers that depend on whether
// it is in step (the first call of a session, another computer's write just made, or already noticed).
// Beside each, the same answer from the archive's query, as without the index.
#include "AgendaEnvironment.h"
#include "FileStore.h"
#include "PgConnection.h"
#include "SearchPanel.h"

#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include <benchmark/benchmark.h>

namespace {

// The whole build on the worker thread, from a new store on a copy of the large database until the
// index is in use (wall time; the main thread only waits).
void searchIndexBuild(benchmark::State& state)
{
    const QString file = BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite");
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<NewSession>(file);
        state.ResumeTiming();
        if (!session->store.prepareSearch(true))
            state.SkipWithError("the index could not be used");
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(searchIndexBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The first treatmentSuggestions() of a session in the program: the index was started once the window
// appeared (here: waited for, untimed) before the editor first opens.
void suggestionsFirstCallPrepared(benchmark::State& state)
{
    const QString file = BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite");
    qsizetype count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<NewSession>(file);
        (void)session->store.prepareSearch(true);
        state.ResumeTiming();
        count = session->store.treatmentSuggestions().size();
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = double(count);
}
// A fixed number of rounds: the untimed build of each round takes far longer than the timed call.
BENCHMARK(suggestionsFirstCallPrepared)->Unit(benchmark::kMillisecond)->Iterations(10);

// Another computer changes a row; untimed, the program notices it at its change check and the worker
// builds the index again; then the answer is timed.
template <typename Answer>
void afterOtherWriteNoticed(benchmark::State& state, Answer answer)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    NewSession other(env.file->path()); // another computer's program: its writes are logged
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        other.db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = 1"), {QStringLiteral("Nota %1").arg(++round)});
        (void)env.store.refreshIfChangedElsewhere();
        (void)env.store.prepareSearch(true);
        state.ResumeTiming();
        benchmark::DoNotOptimize(answer(env.store));
    }
}
void suggestionsAfterOtherWriteNoticed(benchmark::State& state)
{
    afterOtherWriteNoticed(state, [](Store& s) { return s.treatmentSuggestions().size(); });
}
BENCHMARK(suggestionsAfterOtherWriteNoticed)->Unit(benchmark::kMillisecond)->Iterations(10);
void searchAfterOtherWriteNoticed(benchmark::State& state)
{
    afterOtherWriteNoticed(state, [](Store& s) { return s.search(QStringLiteral("Zanetti")).size(); });
}
BENCHMARK(searchAfterOtherWriteNoticed)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same search just after another computer's write, before this program's change check has run:
// the log names the row written, which the index takes in at the question (a writer that logged
// nothing would leave the answer to the archive's query, which reads every appointment).
void searchAfterOtherWrite(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    NewSession other(env.file->path()); // another computer's program: its writes are logged
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        other.db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = 1"), {QStringLiteral("Nota %1").arg(++round)});
        state.ResumeTiming();
        benchmark::DoNotOptimize(env.store.search(QStringLiteral("Zanetti")).size());
    }
}
BENCHMARK(searchAfterOtherWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same keystroke in the search panel ("Zanett" to "Zanetti"), as the program answers it: the
// window goes on at once (timed until the panel has repainted, "keystroke") while a worker reads the
// agenda on its own connection; "answered" times it until the list shows the worker's answer.
void searchPanelAfterOtherWrite(benchmark::State& state, bool untilAnswered)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    NewSession other(env.file->path()); // another computer's program: its writes are logged
    SearchPanel panel(env.store, [] {}, QString(), nullptr);
    panel.show();
    (void)QTest::qWaitForWindowExposed(&panel);
    int round = 0;
    int waited = 0;
    for (auto _ : state) {
        state.PauseTiming();
        (void)env.store.prepareSearch(true);
        panel.field()->setText(QStringLiteral("Zanett"));
        AgendaEnvironment::settle();
        other.db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = 1"), {QStringLiteral("Nota %1").arg(++round)});
        state.ResumeTiming();
        panel.field()->setText(QStringLiteral("Zanetti"));
        QCoreApplication::processEvents();
        waited += panel.searching() ? 1 : 0;
        while (untilAnswered && panel.searching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (untilAnswered)
            QCoreApplication::processEvents();
    }
    state.counters["answered_later"] = double(waited) / double(std::max(round, 1));
    state.counters["results"] = double(panel.results().size());
}
BENCHMARK_CAPTURE(searchPanelAfterOtherWrite, keystroke, false)
    ->Name("searchAfterOtherWrite/keystroke")->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(searchPanelAfterOtherWrite, answered, true)
    ->Name("searchAfterOtherWrite/answered")->Unit(benchmark::kMillisecond)->Iterations(10);

// The editor's question for treatment suggestions just after another computer's write: asked
// ("asked", the time the window is held) and answered by the worker ("answered").
void suggestionsAskedAfterOtherWrite(benchmark::State& state, bool untilAnswered)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    NewSession other(env.file->path()); // another computer's program: its writes are logged
    QObject receiver;
    int round = 0;
    int waited = 0;
    qsizetype count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        (void)env.store.prepareSearch(true);
        other.db.run(QStringLiteral("UPDATE appointments SET notes = ? WHERE id = 1"), {QStringLiteral("Nota %1").arg(++round)});
        bool answered = false;
        state.ResumeTiming();
        env.store.treatmentSuggestions(&receiver, [&](const QStringList& list) {
            answered = true;
            count = list.size();
        });
        waited += answered ? 0 : 1;
        while (untilAnswered && !answered)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        while (!answered) // not timed: the answer is awaited before the next round
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.ResumeTiming();
    }
    state.counters["answered_later"] = double(waited) / double(std::max(round, 1));
    state.counters["entries"] = double(count);
}
BENCHMARK_CAPTURE(suggestionsAskedAfterOtherWrite, asked, false)
    ->Name("suggestionsAfterOtherWrite/asked")->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(suggestionsAskedAfterOtherWrite, answered, true)
    ->Name("suggestionsAfterOtherWrite/answered")->Unit(benchmark::kMillisecond)->Iterations(10);

// On the server another computer's write arrives as a notification naming its row: the next keystroke
// reads it and puts that row into the index, which stays in use. (Untimed: the write, and a moment for
// its notification to arrive.)
template <typename Answer>
void afterOtherWriteOnServer(benchmark::State& state, Answer answer)
{
    AgendaEnvironment* env = AgendaEnvironment::sharedOnServer();
    if (!env) {
        state.SkipWithError("CALVORA_BENCH_SERVER names no server holding the large agenda");
        return;
    }
    const std::unique_ptr<PgConnection> other = PgConnection::open(*ConnectionLine::parse(AgendaEnvironment::serverLine()));
    const QString id = other->query(QStringLiteral("SELECT min(id) FROM appointments")).text(0, 0);
    int round = 0;
    int inUse = 0;
    for (auto _ : state) {
        state.PauseTiming();
        other->query(QStringLiteral("UPDATE appointments SET notes = $1 WHERE id = $2"),
                     {QStringLiteral("Nota %1").arg(++round), id});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.ResumeTiming();
        benchmark::DoNotOptimize(answer(env->store));
        state.PauseTiming();
        inUse += env->store.prepareSearch(false) ? 1 : 0;
        state.ResumeTiming();
    }
    state.counters["index_in_use"] = double(inUse) / double(std::max(round, 1));
}
void searchAfterOtherWriteServer(benchmark::State& state)
{
    afterOtherWriteOnServer(state, [](Store& s) { return s.search(QStringLiteral("Zanetti")).size(); });
}
BENCHMARK(searchAfterOtherWriteServer)->Name("searchAfterOtherWrite/server")->Unit(benchmark::kMillisecond)->Iterations(10);
void suggestionsAfterOtherWriteServer(benchmark::State& state)
{
    afterOtherWriteOnServer(state, [](Store& s) { return s.treatmentSuggestions().size(); });
}
BENCHMARK(suggestionsAfterOtherWriteServer)
    ->Name("suggestionsAfterOtherWrite/server")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The known patients the editor offers as a name is typed, from the index and from the archive's query.
void knownPatients(benchmark::State& state, const char* text, bool kept)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    std::unique_ptr<Store> queried = kept ? nullptr : std::make_unique<FileStore>(*env.file);
    Store& store = kept ? env.store : *queried;
    const QString typed = QString::fromUtf8(text);
    qsizetype found = 0;
    for (auto _ : state) {
        found = store.knownPatients(typed).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["patients"] = double(found);
}
BENCHMARK_CAPTURE(knownPatients, kept_common, "ro", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatients, kept_name, "Ilaria Mar", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatients, kept_absent, "Zanetti", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatients, queried_common, "ro", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatients, queried_name, "Ilaria Mar", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(knownPatients, queried_absent, "Zanetti", false)->Unit(benchmark::kMillisecond);

// Resident memory of the benchmark process once the index is in use.
void searchIndexMemory(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    (void)env.store.prepareSearch(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(env.store.search(QStringLiteral("Zanetti")).size());
    state.counters["rss_mb"] = double(BenchData::residentMemory().rssKb) / 1024.0;
}
BENCHMARK(searchIndexMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
