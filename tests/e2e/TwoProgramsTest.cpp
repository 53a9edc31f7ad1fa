// Two programs on one data folder, as two reception computers: this process's real window, and a second
// process (the reliability worker's "agenda" mode, with a Store of its own) that books, moves, renames
// and deletes on the same file.
#include "AppPaths.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "DentistColumn.h"
#include "HeaderRow.h"
#include "OtherComputer.h"
#include "ScheduleGrid.h"
#include "Store.h"
#include "TestSupport.h"

#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// This process's program on a new data folder, its window open on the week of Wednesday 4 December 2024.
class TwoPrograms : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    QString database = dir.filePath("Dati/calvora.sqlite");
    std::unique_ptr<CalvoraApp> shell;
    CalvoraView* window = nullptr;

    void SetUp() override
    {
        AppPaths::setOverrideDataFolder(dir.filePath("Dati"));
        shell = std::make_unique<CalvoraApp>();
        window = &shell->agendaWindow();
        window->resize(1200, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    void TearDown() override
    {
        shell.reset();
        AppPaths::setOverrideDataFolder(std::nullopt);
    }

    Store& store() { return shell->store(); }
    DentistColumn* column(int day, int dentist) { return window->grid()->column(day, dentist); }

    // A change of the other program shows within 2 s.
    static bool shownInTime(const std::function<bool()>& condition) { return TestSupport::eventually(condition, 2000); }
};

} // namespace

TEST_F(TwoPrograms, theOtherProgramsBookingMoveRenameAndDeleteReachTheWindow)
{
    OtherComputer other(database, dir.filePath("altro.txt"));
    DentistColumn* tuesday = column(1, 1);
    QScrollBar* scroll = window->grid()->scrollArea()->verticalScrollBar();
    scroll->setValue(scroll->maximum() / 2);
    const int scrolled = scroll->value();
    PaintCounter painted;
    tuesday->installEventFilter(&painted);
    QTest::qWait(100); // the opening's own paints
    painted.paints = 0;

    ASSERT_EQ(other.answer({"book", "2", "2024-12-03", "600", "60", "Altro computer"}), "ok");
    EXPECT_TRUE(shownInTime([&] { return tuesday->blocks().size() == 1 && painted.paints > 0; }));
    ASSERT_EQ(store().weekAppointments().size(), 1);
    EXPECT_EQ(store().weekAppointments()[0].patient, "Altro computer");
    ASSERT_EQ(tuesday->blocks().size(), 1u);
    EXPECT_EQ(tuesday->blocks()[0].appointment().timeRange(), QStringLiteral("10:00–11:00"));
    EXPECT_EQ(scroll->value(), scrolled); // the receptionist's place in the day stays

    ASSERT_EQ(other.answer({"move", "Altro computer", "2024-12-05", "3", "840"}), "ok");
    DentistColumn* thursday = column(3, 2);
    EXPECT_TRUE(shownInTime([&] { return thursday->blocks().size() == 1 && tuesday->blocks().empty(); }));
    ASSERT_EQ(store().weekAppointments().size(), 1);
    EXPECT_EQ(store().weekAppointments()[0].day, "2024-12-05");
    EXPECT_EQ(store().weekAppointments()[0].startMinutes, 840);

    ASSERT_EQ(other.answer({"rename", "2", "Dott. Bianchi"}), "ok");
    const auto headersOfTheSecond = [&] {
        QStringList names;
        for (const DentistHeader* header : window->grid()->headerRow()->dentistHeaders())
            if (header->dentist().id == 2)
                names << header->dentist().name;
        return names;
    };
    EXPECT_TRUE(shownInTime([&] { return headersOfTheSecond() == QStringList(5, "Dott. Bianchi"); }))
        << headersOfTheSecond().join(", ").toStdString();
    EXPECT_EQ(store().dentist(2)->name, "Dott. Bianchi");

    ASSERT_EQ(other.answer({"delete", "Altro computer"}), "ok");
    EXPECT_TRUE(shownInTime([&] { return thursday->blocks().empty(); }));
    EXPECT_TRUE(store().weekAppointments().isEmpty());
}
