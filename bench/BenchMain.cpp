// Entry of the benchmark executable: a real QApplication (offscreen unless a platform is chosen) with
// the Italian locale, the clock pinned to a full week of the large database.
#include "BenchData.h"
#include "Cal.h"
#include "Clock.h"

#include <QApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns on every top-level window it shows; that says nothing about the figures.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    QLocale::setDefault(Cal::locale());
    const Clock::Pin pin(BenchData::pinnedMoment());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
