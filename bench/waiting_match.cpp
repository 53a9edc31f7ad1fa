// waiting_match [<file>…]: how long the agenda takes to find who on the waiting list fits a start freed
// in the week on show, with 200 patients on the list. Without files, the ten-year and the fullest
// agendas are generated in a temporary folder. For each: the match alone (Store::matchesFor), and a
// delete with its reload and the offer that follows it, slowest and median of 25.
#include "BenchData.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "FileStore.h"
#include "LargeDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int entries = 200;
constexpr int rounds = 25;

// Varied wishes: every duration up to an hour, any dentist or one, every part of the day, some weekdays.
void fillWaitingList(Store& store)
{
    for (int i = 0; i < entries; ++i) {
        WaitingEntry e;
        e.patient = QStringLiteral("Paziente in attesa %1").arg(i);
        e.phone = QStringLiteral("333 %1").arg(1000000 + i);
        e.durationMinutes = 15 * (1 + i % 4);
        if (i % 3 != 0)
            e.dentistId = 1 + i % 3;
        e.part = DayPart(i % 3);
        e.weekdays = i % 5 == 0 ? 0b10101 : WaitingEntry::everyWorkday;
        e.from = Clock::today().addDays(-(i % 30));
        (void)store.saveWaitingEntry(e);
    }
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.value(values.size() / 2);
}

void measure(const QString& path, QTextStream& out)
{
    Database db(path);
    FileStore store(db);
    if (store.waitingList().value_or(QList<WaitingEntry>()).isEmpty())
        fillWaitingList(store);
    store.showDate(BenchData::pinnedMoment().date());
    QList<double> matches;
    QList<double> frees;
    int offered = 0;
    for (int round = 0; round < rounds; ++round) {
        // A 15-minute appointment still ahead in the week on show, a different one each round.
        QList<Appointment> ahead;
        for (const Appointment& a : store.weekAppointments())
            if (a.date() > Clock::today() && a.durationMinutes == 15)
                ahead.append(a);
        if (ahead.isEmpty())
            break;
        const Appointment freed = ahead.at((round * 7) % ahead.size());
        QElapsedTimer timer;
        timer.start();
        store.deleteAppointment(freed);
        frees.append(double(timer.nsecsElapsed()) / 1e6);
        offered += store.waitingOffer() ? 1 : 0;
        timer.restart();
        const std::optional<QList<WaitingEntry>> fitting =
            store.matchesFor(FreeSlot{freed.date(), freed.startMinutes, freed.dentistId});
        matches.append(double(timer.nsecsElapsed()) / 1e6);
        if (!fitting)
            out << "  the archive did not answer\n";
        store.dismissWaitingOffer();
        store.undo();
    }
    out << "  match alone: median " << median(matches) << " ms, slowest "
        << *std::max_element(matches.begin(), matches.end()) << " ms\n"
        << "  delete + reload + offer: median " << median(frees) << " ms, slowest "
        << *std::max_element(frees.begin(), frees.end()) << " ms (" << offered << " of " << frees.size()
        << " offered)\n"
        << Qt::flush;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const Clock::Pin clock(BenchData::pinnedMoment());
    const QTemporaryDir dir;
    QStringList paths = QCoreApplication::arguments().mid(1);
    if (paths.isEmpty()) {
        const QList<std::pair<QString, LargeDatabase::Options>> agendas{
            {QStringLiteral("ten-year"), LargeDatabase::Options{}},
            {QStringLiteral("fullest"), LargeDatabase::fullTwentyYears()}};
        for (const auto& [name, options] : agendas) {
            const QString path = dir.filePath(name + QStringLiteral(".sqlite"));
            Database db(path);
            out << "generating the " << name << " agenda… " << Qt::flush;
            out << LargeDatabase::fill(db, options) << " appointments\n" << Qt::flush;
            paths << path;
        }
    }
    for (const QString& path : paths) {
        out << path.section(u'/', -1) << ", " << entries << " patients waiting:\n";
        measure(path, out);
    }
    return 0;
}
