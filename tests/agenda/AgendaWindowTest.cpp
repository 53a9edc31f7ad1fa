#include "AgendaFixture.h"
#include "HeaderRow.h"
#include "Popover.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTextCharFormat>
#include <QToolButton>

TEST_F(AgendaTest, titleLineCountsTheVisibleDaysOnly)
{
    EXPECT_EQ(view->titleLabel()->text(), QStringLiteral("Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(view->countLabel()->text(), "Nessun appuntamento");
    book(1, "2024-12-04", 600, 30);
    EXPECT_EQ(view->countLabel()->text(), "1 appuntamento");
    book(2, "2024-12-02", 600, 30);
    EXPECT_EQ(view->countLabel()->text(), "2 appuntamenti");
    store.setMode(ViewMode::Day); // Wednesday only
    EXPECT_EQ(view->titleLabel()->text(), QStringLiteral("Mercoledì 4 dicembre 2024"));
    EXPECT_EQ(view->countLabel()->text(), "1 appuntamento");

    // The window is named after the studio; a name of blanks is still a name, an empty one is not.
    EXPECT_EQ(view->windowTitle(), "Calvora");
    db.run("UPDATE settings SET value = '  ' WHERE key = 'studio_name'");
    store.loadSettings();
    EXPECT_EQ(view->windowTitle(), "  ");
}

TEST_F(AgendaTest, toolbarFollowsTheModeAndNavigates)
{
    const QString left = QKeySequence(Qt::CTRL | Qt::Key_Left).toString(QKeySequence::NativeText);
    EXPECT_EQ(view->previousAction()->toolTip(), QStringLiteral("Settimana precedente (%1)").arg(left));
    view->dayButton()->click();
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(view->previousAction()->toolTip(), QStringLiteral("Giorno precedente (%1)").arg(left));
    view->weekButton()->click();
    // "Oggi" on a Saturday shows the following Monday; a new appointment is for the day shown.
    clock.set(TestSupport::at(2024, 12, 7, 9, 0));
    view->todayAction()->trigger();
    EXPECT_EQ(std::pair(store.anchor(), store.mode()), std::pair(QDate(2024, 12, 9), ViewMode::Week));
    view->newButton()->click();
    EXPECT_EQ(store.editing().value_or(Appointment{}).day, "2024-12-09");

    // The picker moves to the next workday and stays open.
    view->toggleDatePicker();
    ASSERT_TRUE(view->datePopover()->isVisible());
    emit view->datePicker()->clicked(QDate(2024, 12, 15)); // a Sunday
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 16));
    EXPECT_TRUE(view->datePopover()->isVisible());
    view->toggleDatePicker();
    EXPECT_FALSE(view->datePopover()->isVisible());
}

TEST_F(AgendaTest, dayLabelsHighlightTodayOpenTheDayAndLineUpWithTheColumns)
{
    HeaderRow* header = view->grid()->headerRow();
    ASSERT_EQ(header->dayLabels().size(), 5);
    EXPECT_EQ(header->dayLabels()[0]->text(), QStringLiteral("Lunedì 2 dic"));
    for (int d = 0; d < 5; ++d)
        EXPECT_EQ(header->dayLabels()[d]->isToday(), d == 2);
    ASSERT_EQ(header->dentistHeaders().size(), 15);
    EXPECT_EQ(header->dentistHeaders()[4]->dentist().name, "Dentista 2");
    QApplication::processEvents();
    const auto& columns = view->grid()->body()->columns();
    ASSERT_EQ(columns.size(), 15);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const auto* h = header->dentistHeaders()[i];
        EXPECT_EQ(h->mapTo(view.get(), QPoint(0, 0)).x(), columns[i]->mapTo(view.get(), QPoint(0, 0)).x());
        EXPECT_EQ(h->width(), columns[i]->width());
    }

    QTest::mouseClick(header->dayLabels()[2], Qt::LeftButton);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 4));
    ASSERT_EQ(header->dayLabels().size(), 1);
    EXPECT_EQ(header->dayLabels()[0]->text(), QStringLiteral("Mercoledì 4 dicembre 2024"));
    ASSERT_EQ(view->grid()->body()->columns().size(), 3);
    EXPECT_EQ(column(0, 2)->geometryRules().rowHeight(), 34);

    // Without dentists only the time column remains.
    db.execute("PRAGMA foreign_keys = OFF; DELETE FROM dentists;");
    store.loadSettings();
    EXPECT_TRUE(view->grid()->body()->columns().isEmpty());
    EXPECT_TRUE(header->dentistHeaders().isEmpty());
    EXPECT_EQ(header->dayLabels().size(), 1);
}

TEST_F(AgendaTest, toolbarAndMenusShareOneActionPerCommand)
{
    QSet<QAction*> inMenus;
    for (QAction* menu : view->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            inMenus.insert(item);
    for (QToolButton* button : {view->newButton(), view->dateButton(), view->searchButton(), view->freeSlotButton(),
                                view->dayButton(), view->weekButton()})
        EXPECT_TRUE(inMenus.contains(button->defaultAction())) << button->text().toStdString();
    for (QAction* step : {view->previousAction(), view->todayAction(), view->nextAction()})
        EXPECT_TRUE(inMenus.contains(step));
    for (QAction* print : view->printButton()->defaultAction()->menu()->actions())
        EXPECT_TRUE(print->isSeparator() || inMenus.contains(print));

    const auto native = [](QKeyCombination keys) { return QKeySequence(keys).toString(QKeySequence::NativeText); };
    EXPECT_EQ(view->newButton()->toolTip(), QStringLiteral("Nuovo appuntamento (%1)").arg(native(Qt::CTRL | Qt::Key_N)));
    EXPECT_EQ(view->searchButton()->toolTip(), QStringLiteral("Cerca un paziente (%1)").arg(native(Qt::CTRL | Qt::Key_F)));
    EXPECT_EQ(view->dayButton()->text(), "Giorno");
}

TEST_F(AgendaTest, aFourthDentistAClosedDayAndARetiredDentistShowInTheGrid)
{
    ASSERT_FALSE(store.addDentist());
    ASSERT_EQ(view->grid()->headerRow()->dentistHeaders().size(), 20);
    EXPECT_EQ(column(0, 3)->dentist().name, "Dentista 4");
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 6), QDate(2024, 12, 6), "Ponte"}}));
    ASSERT_FALSE(store.retireDentist(2, QDate(2024, 12, 5)));

    // Friday takes no booking by click; Dentista 2 works until Wednesday.
    QTest::mouseClick(column(4, 0), Qt::LeftButton, {}, pointInSlot(column(4, 0), 4));
    EXPECT_FALSE(store.editing());
    EXPECT_FALSE(column(4, 0)->isFree(4));
    EXPECT_FALSE(column(3, 1)->isFree(4));
    EXPECT_TRUE(column(2, 1)->isFree(4));
    QTest::mouseClick(column(2, 1), Qt::LeftButton, {}, pointInSlot(column(2, 1), 4));
    EXPECT_EQ(store.editing().value_or(Appointment{}).dentistId, 2);
    store.setEditing(std::nullopt);

    // From the next week on the column is gone.
    view->nextAction()->trigger();
    ASSERT_EQ(view->grid()->body()->columns().size(), 15);
    EXPECT_EQ(column(0, 1)->dentist().name, "Dentista 3");
}

TEST_F(AgendaTest, aPickedSearchResultIsBroughtIntoViewAndMarked)
{
    book(2, "2024-12-05", 1110, 30, "Sera Tardi");
    view->resize(1000, 650);
    store.showDate(QDate(2024, 12, 5));
    store.setMode(ViewMode::Day);
    QApplication::processEvents();
    QScrollBar* scroll = view->grid()->scrollArea()->verticalScrollBar();
    scroll->setValue(0);
    view->grid()->reveal(store.appointments(QDate(2024, 12, 5), 2).first());
    EXPECT_GT(scroll->value(), 0);
    EXPECT_EQ(view->grid()->cursorColumn(), column(0, 1));
    EXPECT_TRUE(column(0, 1)->flashing().has_value());
}

TEST_F(AgendaTest, theDatePopoverStrikesTheClosedDaysAsTheyAreWhenItOpens)
{
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 24), QDate(2024, 12, 26), "Natale"}}));
    view->toggleDatePicker();
    QCalendarWidget* calendar = view->datePicker();
    EXPECT_EQ(calendar->dateTextFormat(QDate(2024, 12, 25)).toolTip(), "Studio chiuso: Natale");
    EXPECT_TRUE(calendar->dateTextFormat(QDate(2024, 12, 24)).fontStrikeOut());
    view->toggleDatePicker();
    ASSERT_FALSE(store.setClosedPeriods({}));
    view->toggleDatePicker();
    EXPECT_FALSE(calendar->dateTextFormat(QDate(2024, 12, 24)).fontStrikeOut());
}

TEST(PopoverTest, followsItsContentAsItGrowsAndShrinks)
{
    QWidget anchor;
    anchor.resize(100, 30);
    anchor.show();
    Popover popover(&anchor);
    auto* content = new QWidget;
    content->setFixedSize(300, 400);
    popover.setContent(content);
    popover.showUnder(&anchor);
    EXPECT_TRUE(TestSupport::eventually([&] { return popover.height() >= 400; }));
    content->setFixedHeight(80); // a search whose list went away
    EXPECT_TRUE(TestSupport::eventually([&] { return popover.height() < 120; })) << popover.height();
}
