// The agenda window on the large database: navigation, the week/day switch and hover, each timed up to
// the moment the affected widgets have been repainted. The platform's own event loop paints
// (QCoreApplication::processEvents() delivers the pending update requests synchronously); a first,
// untimed run of each action counts the paint events so that the figures show what was repainted.
#include "AgendaEnvironment.h"
#include "DentistColumn.h"
#include "PaintCounter.h"
#include "ScheduleGrid.h"

#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

void countPaints(benchmark::State& state, PaintCounter& counter)
{
    state.counters["columns_painted"] = counter.count("DentistColumn");
    state.counters["widgets_painted"] = counter.widgets();
}

// One step and the repaint it causes; not inlined, so that a profiler can count it alone.
[[gnu::noinline]] void stepAndPaint(Store& store, int direction)
{
    store.step(direction);
    QCoreApplication::processEvents();
}

// The environment a measurement runs on; absent (and the measurement skipped) for a server that
// $CALVORA_BENCH_SERVER does not name.
AgendaEnvironment* environment(benchmark::State& state, AgendaEnvironment::Archive archive)
{
    if (archive == AgendaEnvironment::Archive::File)
        return &AgendaEnvironment::shared();
    AgendaEnvironment* env = AgendaEnvironment::sharedOnServer();
    if (!env)
        state.SkipWithError("CALVORA_BENCH_SERVER names no server holding the large agenda");
    return env;
}

// step(±1) in week mode: the reload of the next week and the repaint of its 15 columns. The agenda
// walks 40 weeks forward, then 40 back, so that each step shows a week of a different content.
void weekStep(benchmark::State& state, AgendaEnvironment::Archive archive)
{
    AgendaEnvironment* env = environment(state, archive);
    if (!env)
        return;
    env->reset(ViewMode::Week);
    {
        PaintCounter counter;
        env->store.step(1);
        QCoreApplication::processEvents();
        countPaints(state, counter);
    }
    int taken = 1;
    int direction = 1;
    for (auto _ : state) {
        if (taken == 40) {
            taken = 0;
            direction = -direction;
        }
        stepAndPaint(env->store, direction);
        ++taken;
    }
}
BENCHMARK_CAPTURE(weekStep, file, AgendaEnvironment::Archive::File)->Name("weekStep")->Unit(benchmark::kMillisecond);
// The same for a profiler: a fixed number of steps (two walks forward and back).
BENCHMARK_CAPTURE(weekStep, file, AgendaEnvironment::Archive::File)
    ->Name("weekStepFixed")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(160);
// The same with the agenda on a server, over its local socket.
BENCHMARK_CAPTURE(weekStep, server, AgendaEnvironment::Archive::Server)
    ->Name("weekStep/server")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(weekStep, server, AgendaEnvironment::Archive::Server)
    ->Name("weekStepFixed/server")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(160);

// Choosing a segment of the view switch and the repaint of the grid in the new mode.
void switchMode(benchmark::State& state, ViewMode to, AgendaEnvironment::Archive archive)
{
    AgendaEnvironment* env = environment(state, archive);
    if (!env)
        return;
    const ViewMode from = to == ViewMode::Day ? ViewMode::Week : ViewMode::Day;
    env->reset(from);
    {
        PaintCounter counter;
        env->store.setMode(to);
        QCoreApplication::processEvents();
        countPaints(state, counter);
    }
    for (auto _ : state) {
        state.PauseTiming();
        env->store.setMode(from);
        AgendaEnvironment::settle();
        state.ResumeTiming();
        env->store.setMode(to);
        QCoreApplication::processEvents();
    }
}
BENCHMARK_CAPTURE(switchMode, weekToDay, ViewMode::Day, AgendaEnvironment::Archive::File)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(switchMode, dayToWeek, ViewMode::Week, AgendaEnvironment::Archive::File)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(switchMode, weekToDay, ViewMode::Day, AgendaEnvironment::Archive::Server)
    ->Name("switchMode/weekToDay/server")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(switchMode, dayToWeek, ViewMode::Week, AgendaEnvironment::Archive::Server)
    ->Name("switchMode/dayToWeek/server")
    ->Unit(benchmark::kMillisecond);

// A column of the week with two free slots in view, for the hover measurement.
struct HoverTarget {
    DentistColumn* column = nullptr;
    QPoint first;
    QPoint second;
};

HoverTarget findHoverTarget(ScheduleGrid& grid)
{
    for (DentistColumn* column : grid.body()->columns()) {
        const QRect shown = column->visibleRegion().boundingRect();
        QList<QPoint> points;
        for (int slot = 0; slot < GridGeometry::rowCount && points.size() < 2; ++slot) {
            const QRectF row = column->geometryRules().slotRect(slot, column->width());
            if (column->isFree(slot) && shown.contains(row.toAlignedRect()))
                points.append(row.center().toPoint());
        }
        if (points.size() == 2)
            return {column, points[0], points[1]};
    }
    return {};
}

void moveMouse(QWidget* target, const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

// The pointer moves from one free slot of a column to another: the highlight leaves one row and
// lights up the other. Only that column may repaint.
void hoverColumn(benchmark::State& state)
{
    AgendaEnvironment& env = AgendaEnvironment::shared();
    env.reset(ViewMode::Week);
    const HoverTarget target = findHoverTarget(*env.view.grid());
    if (!target.column) {
        state.SkipWithError("no column with two free slots in view");
        return;
    }
    moveMouse(target.column, target.first);
    AgendaEnvironment::settle();
    {
        PaintCounter counter;
        moveMouse(target.column, target.second);
        QCoreApplication::processEvents();
        countPaints(state, counter);
    }
    bool toFirst = true;
    for (auto _ : state) {
        moveMouse(target.column, toFirst ? target.first : target.second);
        QCoreApplication::processEvents();
        toFirst = !toFirst;
    }
    moveMouse(target.column, QPoint(-1, -1));
    AgendaEnvironment::settle();
}
BENCHMARK(hoverColumn)->Unit(benchmark::kMillisecond);

} // namespace
