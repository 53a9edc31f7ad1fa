#include "AgendaFixture.h"
#include "HeaderRow.h"
#include "Popover.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

TEST_F(AgendaTest, titleLineCountsTheVisibleDaysOnly)
{
    EXPECT_EQ(view->windowTitle(), "Calvora");
    EXPECT_EQ(view->titleLabel()->text(), QStringLiteral("Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(view->countLabel()->text(), "Nessun appuntamento");
    book(1, "2024-12-04", 600, 30);
    EXPECT_EQ(view->countLabel()->text(), "1 appuntamento");
    book(2, "2024-12-02", 600, 30);
    EXPECT_EQ(view->countLabel()->text(), "2 appuntamenti");
    store.setMode(ViewMode::Day); // Wednesday only
    EXPECT_EQ(view->titleLabel()->text(), QStringLiteral("Mercoledì 4 dicembre 2024"));
    EXPECT_EQ(view->countLabel()->text(), "1 appuntamento");
    store.setAnchor(QDate(2024, 12, 3));
    EXPECT_EQ(view->countLabel()->text(), "Nessun appuntamento");

    EXPECT_FALSE(store.saveSettings("  ", store.dentists()));
    EXPECT_EQ(view->windowTitle(), "Calvora");
    db.run("UPDATE settings SET value = '  ' WHERE key = 'studio_name'");
    store.loadSettings();
    EXPECT_EQ(view->windowTitle(), "  "); // a name of blanks is still a name
}

TEST_F(AgendaTest, toolbarFollowsTheModeAndNavigates)
{
    const QString left = QKeySequence(Qt::CTRL | Qt::Key_Left).toString(QKeySequence::NativeText);
    EXPECT_EQ(view->previousAction()->toolTip(), QStringLiteral("Settimana precedente (%1)").arg(left));
    EXPECT_TRUE(view->weekButton()->isChecked());
    view->dayButton()->click();
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(view->previousAction()->toolTip(), QStringLiteral("Giorno precedente (%1)").arg(left));
    EXPECT_TRUE(view->nextAction()->toolTip().startsWith("Giorno successivo ("));
    view->nextAction()->trigger();
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 5));
    view->weekButton()->click();
    view->previousAction()->trigger();
    EXPECT_EQ(store.anchor(), QDate(2024, 11, 28));

    // "Oggi" on a Saturday shows the following Monday, in the current mode.
    clock.set(TestSupport::at(2024, 12, 7, 9, 0));
    view->todayAction()->trigger();
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 9));
    EXPECT_EQ(store.mode(), ViewMode::Week);
    view->newButton()->click();
    ASSERT_TRUE(store.editing());
    EXPECT_EQ(store.editing()->day, "2024-12-09");
    EXPECT_EQ(view->dateButton()->toolTip(), "Vai a una data");
    EXPECT_EQ(view->printButton()->menu()->actions().size(), 4);
}

TEST_F(AgendaTest, datePopoverShowsTheNextWorkdayAndStaysOpen)
{
    view->toggleDatePicker();
    ASSERT_TRUE(view->datePopover()->isVisible());
    EXPECT_EQ(view->datePicker()->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(view->datePicker()->selectedDate(), QDate(2024, 12, 4));
    emit view->datePicker()->clicked(QDate(2024, 12, 15)); // a Sunday
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 16));
    EXPECT_TRUE(view->datePopover()->isVisible());
    view->toggleDatePicker();
    EXPECT_FALSE(view->datePopover()->isVisible());
}

TEST_F(AgendaTest, dayLabelsHighlightTodayAndOpenTheDay)
{
    HeaderRow* header = view->grid()->headerRow();
    ASSERT_EQ(header->dayLabels().size(), 5);
    EXPECT_EQ(header->dayLabels()[0]->text(), QStringLiteral("Lunedì 2 dic"));
    EXPECT_EQ(header->dayLabels()[0]->toolTip(), "Apri la vista del giorno");
    for (int d = 0; d < 5; ++d)
        EXPECT_EQ(header->dayLabels()[d]->isToday(), d == 2);
    ASSERT_EQ(header->dentistHeaders().size(), 15);
    EXPECT_EQ(header->dentistHeaders()[4]->dentist().name, "Dentista 2");
    EXPECT_EQ(header->dentistHeaders()[4]->toolTip(), "Clic per modificare il nome");

    QTest::mouseClick(header->dayLabels()[2], Qt::LeftButton);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 4));
    ASSERT_EQ(header->dayLabels().size(), 1);
    EXPECT_EQ(header->dayLabels()[0]->text(), QStringLiteral("Mercoledì 4 dicembre 2024"));
    EXPECT_TRUE(header->dayLabels()[0]->toolTip().isEmpty());
    QTest::mouseClick(header->dayLabels()[0], Qt::LeftButton); // nothing in day mode
    EXPECT_EQ(store.mode(), ViewMode::Day);
    ASSERT_EQ(view->grid()->body()->columns().size(), 3);
    EXPECT_EQ(column(0, 2)->geometryRules().rowHeight(), 34);
}

TEST_F(AgendaTest, headerAndColumnsLineUpAndTheWindowHasAMinimumSize)
{
    EXPECT_EQ(view->minimumSize(), QSize(1000, 650));
    view->resize(800, 500);
    EXPECT_GE(view->width(), 1000);
    EXPECT_GE(view->height(), 650);
    view->resize(1440, 900);
    QApplication::processEvents();
    const auto& headers = view->grid()->headerRow()->dentistHeaders();
    const auto& columns = view->grid()->body()->columns();
    ASSERT_EQ(headers.size(), columns.size());
    for (qsizetype i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i]->mapTo(view.get(), QPoint(0, 0)).x(), columns[i]->mapTo(view.get(), QPoint(0, 0)).x());
        EXPECT_EQ(headers[i]->width(), columns[i]->width());
    }
}

TEST_F(AgendaTest, withoutDentistsOnlyTheTimeColumnRemains)
{
    db.execute("PRAGMA foreign_keys = OFF; DELETE FROM dentists;");
    store.loadSettings();
    EXPECT_TRUE(view->grid()->body()->columns().isEmpty());
    EXPECT_TRUE(view->grid()->headerRow()->dentistHeaders().isEmpty());
    EXPECT_EQ(view->grid()->headerRow()->dayLabels().size(), 5);
}
