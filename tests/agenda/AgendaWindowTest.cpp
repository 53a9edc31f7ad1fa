#include "AgendaFixture.h"
#include "HeaderRow.h"
#include "HolidayNotice.h"
#include "PersonName.h"
#include "Popover.h"
#include "WarningLine.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QPushButton>
#include <QTextCharFormat>
#include <QToolButton>
#include <QToolTip>

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

    // A click on Friday or on Dentista 2's Thursday books nothing and says why, as the booking rule
    // would at "Salva"; Dentista 2 works until Wednesday.
    for (const auto& [day, dentist, why] :
         {std::tuple(4, 0, QStringLiteral("Lo studio è chiuso venerdì 6 dicembre 2024 (Ponte).")),
          std::tuple(3, 1, QStringLiteral("Dentista 2 non lavora più nello studio dal 5 dicembre 2024."))}) {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        QTest::mouseClick(column(day, dentist), Qt::LeftButton, {}, pointInSlot(column(day, dentist), 4));
        EXPECT_FALSE(store.editing());
        EXPECT_TRUE(TestSupport::eventually([&] { return !store.alertMessage(); }));
        EXPECT_EQ(Dialogs::takeShown().value(0).message, why);
    }
    EXPECT_TRUE(column(2, 1)->isFree(4));
    QTest::mouseClick(column(2, 1), Qt::LeftButton, {}, pointInSlot(column(2, 1), 4));
    EXPECT_EQ(store.editing().value_or(Appointment{}).dentistId, 2);
    store.setEditing(std::nullopt);

    // From the next week on the column is gone.
    view->nextAction()->trigger();
    ASSERT_EQ(view->grid()->body()->columns().size(), 15);
    EXPECT_EQ(column(0, 1)->dentist().name, "Dentista 3");
}

// Five dentists with real names in the week of a 1440-point window: every header keeps the surname, and
// the labels of a closed day and of a retired dentist show whole words or nothing, never under a block.
TEST_F(AgendaTest, namesAndClosuresFitNarrowColumnsWithoutLosingWhoOrWhy)
{
    const qint64 early = book(1, "2024-12-06", 540, 60, "Anna Verdi");
    ASSERT_FALSE(store.addDentist());
    ASSERT_FALSE(store.addDentist());
    const QStringList names{"Dott.ssa Chiara Bellandi", "Dott. Roberto Marchetti", "Prof.ssa Elena Fabbri",
                            "Dr. Giovanni De Santis", "Dott. Marco Lombardi"};
    QList<Dentist> dentists = store.dentists();
    for (int i = 0; i < 5; ++i)
        dentists[i].name = names[i];
    ASSERT_FALSE(store.saveSettings({}, dentists));
    const QString reason = QStringLiteral("Disinfestazione straordinaria");
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 6), QDate(2024, 12, 6), reason}}));
    ASSERT_FALSE(store.retireDentist(2, QDate(2024, 12, 5)));
    QApplication::processEvents();

    const QList<DentistHeader*>& headers = view->grid()->headerRow()->dentistHeaders();
    ASSERT_EQ(headers.size(), 25);
    for (DentistHeader* header : headers) {
        const QString name = header->dentist().name;
        EXPECT_TRUE(PersonName::shorterForms(name).contains(header->shownName()))
            << header->shownName().toStdString();
        EXPECT_NE(header->shownName(), name) << "the week's columns are too narrow for the whole name";
        EXPECT_EQ(header->toolTip(), name + QStringLiteral("\nClic per modificare il nome"));
    }

    // Friday's first dentist holds an appointment booked before the closure; his label lies below it.
    const QStringList words =
        (QStringLiteral("Chiuso Non in attività dal 5 dicembre 2024 ") + reason).split(' ');
    for (DentistColumn* closed : {column(4, 0), column(4, 4), column(3, 1)}) {
        const std::optional<ClosureLabel> label = closed->closureLabel();
        ASSERT_TRUE(label);
        for (const QString& line : label->title + label->detail)
            for (const QString& word : line.split(' '))
                EXPECT_TRUE(words.contains(word)) << word.toStdString();
        EXPECT_LE(label->area.right(), closed->width());
        for (const AppointmentBlock& block : closed->blocks())
            EXPECT_FALSE(label->area.intersects(block.rect()));
    }
    EXPECT_EQ(column(4, 0)->blocks().front().appointment().id, early);
    EXPECT_EQ(column(3, 1)->closureLabel()->title.join(' '), QStringLiteral("Non in attività"));
    // Wide enough in the day view, Friday gives its reason.
    store.showDate(QDate(2024, 12, 6));
    store.setMode(ViewMode::Day);
    EXPECT_EQ(column(0, 1)->closureLabel()->detail.join(' '), reason);

    // A block's tooltip names its dentist.
    DentistColumn* friday = column(0, 0);
    const QPoint onBlock = friday->blocks().front().rect().center().toPoint();
    QHelpEvent help(QEvent::ToolTip, onBlock, friday->mapToGlobal(onBlock));
    QApplication::sendEvent(friday, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("09:00–10:00  Anna Verdi\ncon Dott.ssa Chiara Bellandi"));
    QToolTip::hideText();
}

// A fresh practice is offered the year's holidays in a line of the window; "Non ora" is remembered, and
// a practice whose holidays are there is never asked.
TEST_F(AgendaTest, theYearsHolidaysAreOfferedInALineUntilAnswered)
{
    HolidayNotice* notice = view->holidayNotice();
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("Le festività del 2024 non sono tra le chiusure."));
    notice->findChild<QPushButton*>("declineHolidays")->click();
    EXPECT_FALSE(notice->isVisible());
    EXPECT_TRUE(store.closedPeriods().isEmpty());
    EXPECT_TRUE(view->grid()->hasFocus());
    CalvoraView again(store, AgendaPanels{});
    again.show();
    EXPECT_FALSE(again.holidayNotice()->isVisible());

    // The next year's offer: an appointment on Easter Monday is shown first, and nothing is closed
    // until the receptionist goes on; then the holidays are among the closed days and the line goes.
    clock.set(TestSupport::at(2025, 1, 8, 9, 0));
    book(1, "2025-04-21", 600, 30, "Pasquale Lunedì");
    CalvoraView next(store, AgendaPanels{});
    next.show();
    ASSERT_TRUE(next.holidayNotice()->isVisible());
    (void)Dialogs::takeShown();
    Dialogs::answerNext(QMessageBox::RejectRole);
    next.holidayNotice()->findChild<QPushButton*>("addHolidays")->click();
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].lines.join(u'\n').contains(QStringLiteral("Pasquale Lunedì")));
    EXPECT_TRUE(next.holidayNotice()->isVisible());
    EXPECT_TRUE(store.closedPeriods().isEmpty());
    Dialogs::answerNext(QMessageBox::AcceptRole);
    next.holidayNotice()->findChild<QPushButton*>("addHolidays")->click();
    EXPECT_FALSE(next.holidayNotice()->isVisible());
    EXPECT_EQ(store.closedPeriods(), ClosedDays::italianHolidays(2025));
    CalvoraView settled(store, AgendaPanels{});
    settled.show();
    EXPECT_FALSE(settled.holidayNotice()->isVisible());
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

TEST_F(AgendaTest, aCalendarFolderThatCannotBeKeptIsToldInALineUntilItCanBe)
{
    WarningLine* line = view->calendarNotice();
    EXPECT_TRUE(line->isHidden());
    const QString failure = "I calendari dei dentisti non sono aggiornati: la cartella /srv/calendari non è "
                            "raggiungibile. Si riprova alla prossima modifica.";
    store.setCalendarFolderFailure(failure);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), failure);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
    store.setCalendarFolderFailure(std::nullopt);
    EXPECT_TRUE(line->isHidden());
}
