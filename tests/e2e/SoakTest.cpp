// The real agenda window under a long seeded random walk (SoakWalk): it must not crash or hang, and the
// file must stay sound, with no two appointments of a dentist over the same minutes and nothing shown
// that is not stored. CALVORA_SOAK_SEED and CALVORA_SOAK_STEPS choose another walk; CALVORA_SOAK_VERBOSE
// prints every action.
#include "Cal.h"
#include "Database.h"
#include "DemoData.h"
#include "ProgramTest.h"
#include "SoakWalk.h"
#include "FileStore.h"
#include "Store.h"
#include "TestSupport.h"

#include <QApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

quint64 setting(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

// What must hold of the file at any moment: SQLite finds it sound, every appointment keeps the booking
// rules' grid and hours, no two appointments of a dentist share a minute, and none is both booked and
// cancelled.
std::optional<QString> archiveFault(const QString& path)
{
    for (int attempt = 0;; ++attempt) {
        try {
            std::unique_ptr<Database> db = Database::openReader(path);
            const auto text = [](const SQLRow& r) { return r.text(0); };
            const QStringList integrity = db->query(QStringLiteral("PRAGMA integrity_check"), {}, text);
            if (integrity != QStringList{QStringLiteral("ok")})
                return QStringLiteral("integrity_check: ") + integrity.join(u'\n');
            const QStringList overlaps = db->query(
                QStringLiteral("SELECT a.id || ' and ' || b.id FROM appointments a JOIN appointments b"
                               " ON a.dentist_id = b.dentist_id AND a.day = b.day AND a.id < b.id"
                               " AND a.start_min < b.start_min + b.duration_min"
                               " AND b.start_min < a.start_min + a.duration_min"),
                {}, text);
            if (!overlaps.isEmpty())
                return QStringLiteral("overlapping appointments: ") + overlaps.join(QStringLiteral(", "));
            const QStringList offGrid = db->query(
                QStringLiteral("SELECT id FROM appointments WHERE start_min % 15 <> 0 OR start_min < 540"
                               " OR start_min + duration_min > 1185 OR strftime('%w', day) IN ('0', '6')"),
                {}, text);
            if (!offGrid.isEmpty())
                return QStringLiteral("appointments outside the rules: ") + offGrid.join(QStringLiteral(", "));
            // A cancelled appointment is kept aside, never also in the agenda.
            const QStringList twice = db->query(
                QStringLiteral("SELECT c.id FROM cancelled_appointments c JOIN appointments a ON a.id = c.id"), {}, text);
            if (!twice.isEmpty())
                return QStringLiteral("cancelled yet in the agenda: ") + twice.join(QStringLiteral(", "));
            return std::nullopt;
        } catch (const DatabaseError& e) {
            // A commit of the other program's may hold the file for a moment.
            if (attempt == 20)
                return QStringLiteral("the file cannot be read: ") + e.message();
            QThread::msleep(50);
        }
    }
}

QStringList rowsOf(const QList<Appointment>& list)
{
    QStringList rows;
    for (const Appointment& a : list)
        rows.append(QStringLiteral("%1 %2 %3 %4+%5 %6|%7|%8|%9")
                        .arg(a.id)
                        .arg(a.dentistId)
                        .arg(a.day)
                        .arg(a.startMinutes)
                        .arg(a.durationMinutes)
                        .arg(a.patient, a.phone, a.treatment, a.notes));
    rows.sort();
    return rows;
}

QList<Appointment> storedWeek(const QString& path, const QDate& monday)
{
    std::unique_ptr<Database> db = Database::openReader(path);
    return db->query(QStringLiteral("SELECT id, dentist_id, day, start_min, duration_min, patient, phone, treatment,"
                                    " notes FROM appointments WHERE day BETWEEN ? AND ?"),
                     {Cal::dayKey(monday), Cal::dayKey(monday.addDays(4))}, [](const SQLRow& r) {
                         return Appointment{r.integer(0), r.integer(1), r.text(2), int(r.integer(3)),
                                            int(r.integer(4)), r.text(5), r.text(6), r.text(7), r.text(8)};
                     });
}

} // namespace

using WindowSoak = ProgramTest;

TEST_F(WindowSoak, aLongSeededRandomWalkLeavesASoundAgenda)
{
    const quint64 seed = setting("CALVORA_SOAK_SEED", 20261207);
    const int steps = int(setting("CALVORA_SOAK_STEPS", 8000));
    std::cout << "Soak walk: seed " << seed << ", " << steps << " actions (CALVORA_SOAK_SEED=" << seed
              << " CALVORA_SOAK_STEPS=" << steps << " replays it)" << std::endl;

    const QString path = databasePath();
    Store& store = shell->store();
    ASSERT_GT(DemoData::seed(store), 0);
    // A closed day in the week on show, so that the walk meets one.
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 6), QDate(2024, 12, 6), QStringLiteral("Aggiornamento")}}));
    Database otherFile(path);
    FileStore otherProgram(otherFile);

    SoakWalk walk(*shell, otherProgram, seed, steps, dir.path());
    // A walk that stops moving is a hang: say where, with the seed, and end the process.
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        int last = -1;
        auto since = std::chrono::steady_clock::now();
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const int now = walk.progress();
            if (now != last) {
                last = now;
                since = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - since > std::chrono::seconds(60)) {
                std::cerr << "Soak walk hung (seed " << seed << ") after:\n"
                          << walk.recent().join(u'\n').toStdString() << std::endl;
                std::abort();
            }
        }
    });
    const std::optional<QString> fault = walk.run([&] { return archiveFault(path); }, 100);
    finished = true;
    watchdog.join();
    std::cout << "Soak walk: " << walk.stepsDone() << " actions done" << std::endl;
    ASSERT_FALSE(fault) << fault->toStdString() << "\nseed " << seed << ", last actions:\n"
                        << walk.recent().join(u'\n').toStdString();

    // What the window shows of its week is what the file holds.
    store.refreshIfChangedElsewhere();
    EXPECT_EQ(rowsOf(store.weekAppointments()), rowsOf(storedWeek(path, Cal::monday(store.anchor()))))
        << "seed " << seed;
}
