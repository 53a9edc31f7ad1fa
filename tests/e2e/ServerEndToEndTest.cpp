// Two computers of a practice on one PostgreSQL server: this program with its real window, and another
// program as a separate process that books and follows the agenda through the program's own store (the
// reliability worker). A booking made on either appears on the other within about a second.
#include "AppPaths.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "ChildProcess.h"
#include "DentistColumn.h"
#include "PgTestServer.h"
#include "ScheduleGrid.h"
#include "ServerSetup.h"
#include "Store.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <iostream>

namespace {

QPoint slotCentre(DentistColumn* column, int slot)
{
    const double h = column->geometryRules().rowHeight();
    return QPoint(column->width() / 2, int(slot * h + h / 2));
}

} // namespace

TEST(ServerEndToEnd, aBookingOnOneComputerAppearsOnTheOtherWithinASecond)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0)); // Wednesday
    PgTestServer server;
    const QString line = server.createDatabase();
    QTemporaryDir dir;
    AppPaths::setOverrideDataFolder(dir.filePath("Dati"));
    ServerSetup::setCommandLineLine(line);
    CalvoraApp shell;
    CalvoraView& window = shell.agendaWindow();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(shell.store().onServer());

    // The other computer, following the same week.
    ChildProcess watcher({"watch", "server:" + line, "Mario Rossi", "10000"}, dir.filePath("watch.txt"));
    ASSERT_TRUE(watcher.waitForLine("ready", 20000));

    // Here: a click on Tuesday's free 12:00 of the second dentist, the patient's name, Return.
    DentistColumn* tuesday = window.grid()->column(1, 1);
    QTest::mouseClick(tuesday, Qt::LeftButton, {}, slotCentre(tuesday, 12));
    ASSERT_TRUE(TestSupport::eventually([&] { return window.editor() && window.editor()->isVisible(); }));
    auto* patient = window.editor()->findChild<QLineEdit*>("patientField");
    ASSERT_TRUE(patient);
    QTest::keyClicks(patient, "Mario Rossi");
    QElapsedTimer toThere;
    QTest::keyClick(patient, Qt::Key_Return);
    toThere.start();
    ASSERT_TRUE(TestSupport::eventually([&] { return !window.editor(); }));
    ASSERT_TRUE(watcher.waitForLine("seen\t2\t2024-12-03\t720\t30", 5000)) << watcher.lines().join('\n').toStdString();
    const qint64 thereMs = toThere.elapsed();

    // There: a booking for Thursday 10:00 of the first dentist, saved through the other program's store.
    ChildProcess booker({"book-one", "server:" + line, "1", "2024-12-05", "600", "45", "Anna Verdi"},
                        dir.filePath("book.txt"));
    // Waiting with the event loop running, so that this program follows the agenda meanwhile as it
    // always does.
    ASSERT_TRUE(TestSupport::eventually([&] { return booker.lines().contains("ack"); }, 20000))
        << booker.lines().join('\n').toStdString();
    QElapsedTimer toHere;
    toHere.start();
    DentistColumn* thursday = window.grid()->column(3, 0);
    ASSERT_TRUE(TestSupport::eventually([&] { return thursday->blocks().size() == 1; }, 5000));
    const qint64 hereMs = toHere.elapsed();
    EXPECT_EQ(thursday->blocks()[0].appointment().patient, "Anna Verdi");
    EXPECT_EQ(thursday->blocks()[0].appointment().timeRange(), "10:00–10:45");
    EXPECT_EQ(tuesday->blocks().size(), 1u);

    std::cout << "[ figures  ] a booking reached the other program in " << thereMs << " ms, and this window in "
              << hereMs << " ms" << std::endl;
    EXPECT_LT(thereMs, 1500);
    EXPECT_LT(hereMs, 1500);
    AppPaths::setOverrideDataFolder(std::nullopt);
    ServerSetup::setCommandLineLine(std::nullopt);
}
