#include "AgendaFixture.h"
#include "Popover.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

namespace {

// A key as the keyboard sends it: to whatever has the focus, through the window's shortcuts.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
}

QMenu* openMenu(QWidget* column)
{
    for (QMenu* menu : column->findChildren<QMenu*>())
        if (menu->isVisible())
            return menu;
    return nullptr;
}

} // namespace

class KeyboardTest : public AgendaTest {
protected:
    void SetUp() override
    {
        AgendaTest::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    ScheduleGrid* grid() { return view->grid(); }
    std::tuple<QDate, qint64, int> cursor()
    {
        const KeyboardCursor& c = grid()->keyboardCursor();
        return {c.day(), c.dentistId(), c.slot()};
    }
};

TEST_F(KeyboardTest, theGridHasTheFocusAndShowsTheCursorOnlyThen)
{
    // Wednesday 4 December at 10:00: today's 10:00 slot of the first dentist.
    EXPECT_TRUE(grid()->hasFocus());
    DentistColumn* wednesday = column(2, 0);
    EXPECT_EQ(wednesday->cursorSlot(), 4);
    const QColor accent = wednesday->palette().color(QPalette::Highlight);
    const QRect frame = wednesday->cursorRect(4).toRect();
    const auto frameColour = [&] { return QColor(wednesday->grab().toImage().pixel(frame.left(), frame.center().y())); };
    EXPECT_EQ(frameColour(), accent);

    view->dayButton()->setFocus();
    EXPECT_FALSE(wednesday->cursorSlot());
    EXPECT_NE(frameColour(), accent);

    // A confirmation or a panel that closes gives the keyboard back to the grid, wherever it was before.
    book(1, "2024-12-04", 600, 30);
    Dialogs::answerNext(QMessageBox::RejectRole); // "Annulla"
    store.setPendingDelete(store.weekAppointments().first());
    EXPECT_TRUE(TestSupport::eventually([&] { return !store.pendingDelete() && grid()->hasFocus(); }));
    EXPECT_EQ(wednesday->cursorSlot(), 4);
    view->dayButton()->setFocus();
    view->toggleDatePicker();
    ASSERT_TRUE(view->datePicker()->isAncestorOf(QApplication::focusWidget())); // its arrows pick a day
    view->toggleDatePicker();
    EXPECT_TRUE(grid()->hasFocus());
}

TEST_F(KeyboardTest, keysMoveTheCursorAndActOnWhatIsUnderIt)
{
    book(1, "2024-12-04", 600, 30, "Anna Verdi"); // under the cursor
    press(Qt::Key_Return);
    ASSERT_TRUE(store.editing());
    EXPECT_EQ(store.editing()->patient, "Anna Verdi");
    store.setEditing(std::nullopt);

    press(Qt::Key_Down); // past the block: 10:30, free
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 4), 1, 6));
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(store.editing(), (Appointment{0, 1, "2024-12-04", 630, 30, {}, {}, {}, {}}));
    store.setEditing(std::nullopt);

    // Back on the block: Delete only asks; the menu key and Shift+F10 open its menu.
    press(Qt::Key_Up);
    EXPECT_EQ(std::get<2>(cursor()), 5);
    Dialogs::answerNext(QMessageBox::RejectRole); // "Annulla"
    press(Qt::Key_Delete);
    EXPECT_TRUE(TestSupport::eventually([&] { return !store.pendingDelete(); }));
    ASSERT_EQ(Dialogs::takeShown().value(0).title, "Eliminare l'appuntamento?");
    EXPECT_EQ(store.weekAppointments().size(), 1);
    DentistColumn* wednesday = column(2, 0);
    for (const auto& [key, modifiers] : {std::pair(Qt::Key_Menu, Qt::NoModifier), std::pair(Qt::Key_F10, Qt::ShiftModifier)}) {
        press(key, modifiers);
        QMenu* menu = openMenu(wednesday);
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->actions().first()->text(), "Modifica…");
        EXPECT_TRUE(wednesday->rect().contains(wednesday->mapFromGlobal(menu->pos())));
        menu->close();
    }
    press(Qt::Key_Down);
    press(Qt::Key_Delete); // a free slot: nothing to delete
    press(Qt::Key_Menu);
    EXPECT_FALSE(store.pendingDelete());
    EXPECT_FALSE(openMenu(wednesday));

    // Across dentists and days; the frame moves with the cursor.
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Right);
    EXPECT_FALSE(wednesday->cursorSlot());
    EXPECT_EQ(column(3, 0)->cursorSlot(), 6);
    press(Qt::Key_End);
    EXPECT_EQ(std::get<2>(cursor()), 42);
    press(Qt::Key_Home);
    EXPECT_EQ(std::get<2>(cursor()), 0);
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(std::get<0>(cursor()), QDate(2024, 12, 6));
    press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(std::get<0>(cursor()), QDate(2024, 12, 2));
    press(Qt::Key_Left);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 2), 1, 0)); // the first column stops it

    // Pages: the week before and after, the same weekday, dentist and slot.
    press(Qt::Key_Right);
    press(Qt::Key_PageDown);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 11));
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 9), 2, 0));
    press(Qt::Key_PageUp);
    press(Qt::Key_PageUp);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 11, 25), 2, 0));
}

// On a closed day the cursor offers nothing to book: Return says why, and a screen reader hears the
// closure instead of "libero".
TEST_F(KeyboardTest, returnOnAClosedDaySaysWhyItTakesNoBooking)
{
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 4), QDate(2024, 12, 4), "Ponte"}}));
    DentistColumn* wednesday = column(2, 0);
    ASSERT_EQ(wednesday->cursorSlot(), 4);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(wednesday)->child(4)->text(QAccessible::Name),
              QStringLiteral("Dentista 1, mercoledì 4 dicembre, 10:00–10:15, Chiuso – Ponte"));
    Dialogs::answerNext(QMessageBox::AcceptRole);
    press(Qt::Key_Return);
    EXPECT_FALSE(store.editing());
    EXPECT_TRUE(TestSupport::eventually([&] { return !store.alertMessage() && grid()->hasFocus(); }));
    EXPECT_EQ(Dialogs::takeShown().value(0).message,
              QStringLiteral("Lo studio è chiuso mercoledì 4 dicembre 2024 (Ponte)."));
}

// Opened late in the afternoon in a small window, the grid shows the cursor's slot.
TEST_F(KeyboardTest, theWindowOpensScrolledToTheCursor)
{
    view.reset();
    clock.set(TestSupport::at(2024, 12, 4, 18, 40));
    view = std::make_unique<CalvoraView>(store, AgendaPanels{});
    view->resize(1000, 650);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    ASSERT_EQ(std::get<2>(cursor()), GridGeometry::slotOf(18 * 60 + 45));
    QWidget* viewport = grid()->scrollArea()->viewport();
    DentistColumn* today = column(2, 0);
    const QRect frame = today->cursorRect(std::get<2>(cursor())).toAlignedRect();
    EXPECT_TRUE(TestSupport::eventually([&] {
        return viewport->rect().contains(QRect(today->mapTo(viewport, frame.topLeft()), frame.size()));
    }));
}

TEST_F(KeyboardTest, keysScrollToTheCursorButClicksAndLiveRefreshesDoNot)
{
    store.setMode(ViewMode::Day); // Wednesday
    QScrollBar* scroll = grid()->scrollArea()->verticalScrollBar();
    scroll->setValue(0);
    press(Qt::Key_End);
    ASSERT_GT(scroll->value(), 0);
    QWidget* viewport = grid()->scrollArea()->viewport();
    DentistColumn* first = column(0, 0);
    const QRect frame = first->cursorRect(42).toAlignedRect();
    EXPECT_TRUE(viewport->rect().contains(QRect(first->mapTo(viewport, frame.topLeft()), frame.size())));

    // Day view pages by day; Right stops at the last dentist of the day.
    press(Qt::Key_PageDown);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 5), 1, 42));
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Right);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 5), 3, 42));

    // Reloads: the cursor's dentist is removed and the next one gets a booking at the cursor's slot. The
    // cursor stays on that day and slot, now on the dentist at its place, and nothing scrolls.
    scroll->setValue(0);
    db.execute("PRAGMA foreign_keys = OFF; DELETE FROM dentists WHERE id = 3;");
    store.loadSettings();
    book(2, "2024-12-05", 1170, 15, "Altro computer");
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 5), 2, 42));
    DentistColumn* second = column(0, 1);
    EXPECT_EQ(second->cursorSlot(), 42);
    EXPECT_EQ(second->cells().cellOfSlot(42).appointment.value_or(Appointment{}).patient, "Altro computer");

    // A click on a slot half out of view moves the cursor there (and proposes it) without scrolling.
    const QPoint bottom = second->mapFrom(viewport, QPoint(second->width() / 2, viewport->height() - 3));
    const int slot = *second->geometryRules().slot(bottom.y());
    QTest::mouseClick(second, Qt::LeftButton, {}, bottom);
    EXPECT_EQ(cursor(), std::tuple(QDate(2024, 12, 5), 2, slot));
    EXPECT_EQ(store.editing().value_or(Appointment{}).startMinutes, GridGeometry::slotStart(slot));
    EXPECT_EQ(scroll->value(), 0);
}
