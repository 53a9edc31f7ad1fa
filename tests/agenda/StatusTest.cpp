#include "AgendaFixture.h"
#include "CalvoraCommands.h"
#include "CancelDialog.h"
#include "CancellationsPanel.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

QMenu* openMenu(QWidget* column)
{
    for (QMenu* menu : column->findChildren<QMenu*>())
        if (menu->isVisible())
            return menu;
    return nullptr;
}

QAction* item(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class StatusTest : public AgendaTest {
protected:
    void SetUp() override
    {
        AgendaTest::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    QString stored(qint64 id)
    {
        return db.query("SELECT status FROM appointment_status WHERE appointment_id = ?", {id},
                        [](const SQLRow& r) { return r.text(0); })
            .value(0, "da_confermare");
    }
    QString spoken(DentistColumn* c, int slot)
    {
        return QAccessible::queryAccessibleInterface(c)->child(c->cells().indexOfSlot(slot))->text(QAccessible::Name);
    }
    QMenu* menuOn(DentistColumn* c, int slot)
    {
        const QPoint at = pointInSlot(c, slot);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, c->mapToGlobal(at));
        QApplication::sendEvent(c, &event);
        return openMenu(c);
    }
};

// The menu, the keys on the focused block and the menu's own keys all store the status; the block, its
// screen-reader text and the menu's check follow, and the change is undone like any other.
TEST_F(StatusTest, theMenuAndTheKeysGiveTheFocusedBlockItsStatus)
{
    const qint64 id = book(1, "2024-12-04", 600, 30, "Anna Verdi"); // under the cursor
    DentistColumn* wednesday = column(2, 0);
    QMenu* menu = menuOn(wednesday, 4);
    ASSERT_TRUE(menu);
    EXPECT_TRUE(item(menu, "Da confermare")->isChecked());
    EXPECT_EQ(item(menu, "Confermato")->shortcut(), QKeySequence(Qt::Key_C));
    item(menu, "Confermato")->trigger();
    menu->close();
    EXPECT_EQ(stored(id), "confermato");
    EXPECT_EQ(wednesday->blocks().front().status(), AppointmentStatus::Confirmed);
    EXPECT_EQ(spoken(wednesday, 4), QStringLiteral("Dentista 1, mercoledì 4 dicembre, 10:00–10:30, Anna Verdi, Confermato"));

    QTest::keyClick(view->grid(), Qt::Key_A);
    EXPECT_EQ(stored(id), "arrivato");
    QTest::keyClick(view->grid(), Qt::Key_N);
    EXPECT_EQ(stored(id), "non_presentato");
    EXPECT_EQ(wednesday->blocks().front().status(), AppointmentStatus::NoShow);
    menu = menuOn(wednesday, 4);
    ASSERT_TRUE(menu);
    EXPECT_TRUE(item(menu, "Non presentato")->isChecked());
    QTest::keyClick(menu, Qt::Key_D); // the key shown in the menu works there too
    EXPECT_EQ(stored(id), "da_confermare");

    store.undo();
    EXPECT_EQ(stored(id), "non_presentato");
    EXPECT_EQ(wednesday->blocks().front().status(), AppointmentStatus::NoShow);

    // On a free slot the keys do nothing; with a modifier they are not status keys.
    QTest::keyClick(view->grid(), Qt::Key_Down);
    QTest::keyClick(view->grid(), Qt::Key_C);
    QTest::keyClick(view->grid(), Qt::Key_Up);
    QTest::keyClick(view->grid(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(stored(id), "non_presentato");
    EXPECT_EQ(db.query("SELECT COUNT(*) FROM appointment_status", {}, [](const SQLRow& r) { return r.integer(0); })
                  .value(0), 1);
}

// "Disdici…" asks who and why; the block leaves the grid, the list of the week shows the cancellation
// (late: less than a day ahead) and restores it, and a restore the rules refuse says why.
TEST_F(StatusTest, aCancelledAppointmentLeavesTheGridIsListedAndRestored)
{
    const qint64 late = book(1, "2024-12-04", 600, 30, "Anna Verdi");
    book(2, "2024-12-06", 540, 30, "Bruno Neri");
    DentistColumn* wednesday = column(2, 0);
    QMenu* menu = menuOn(wednesday, 4);
    ASSERT_TRUE(menu);
    item(menu, "Disdici…")->trigger();
    menu->close();
    auto* sheet = view->findChild<CancelDialog*>();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->lateNotice()->isVisibleTo(sheet));
    sheet->practiceChoice()->click();
    QTest::keyClicks(sheet->reasonField(), "Dentista malato");
    sheet->cancelButton()->click();
    EXPECT_TRUE(wednesday->blocks().empty());
    EXPECT_EQ(view->countText(), "1 appuntamento");

    // The other one is cancelled too, without a reason, then its slot is taken.
    auto* second = CancelDialog::ask(store, store.weekAppointments().first(), view.get());
    EXPECT_FALSE(second->lateNotice()->isVisibleTo(second));
    second->cancelButton()->click();
    book(2, "2024-12-06", 540, 15, "Carla Blu");

    view->commands()->cancellationsAction()->trigger();
    auto* list = view->findChild<CancellationsPanel*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->list()->topLevelItemCount(), 2);
    QStringList first;
    for (int c = 0; c < list->list()->columnCount(); ++c)
        first << list->list()->topLevelItem(0)->text(c);
    EXPECT_EQ(first, (QStringList{"Anna Verdi", QStringLiteral("mer 4 dic 10:00–10:30"), "Dentista 1", "Studio",
                                  "Dentista malato", QStringLiteral("mer 4 dic, 10:00"), "tardiva"}));
    EXPECT_EQ(list->list()->topLevelItem(1)->text(3), "Paziente");
    EXPECT_EQ(list->list()->topLevelItem(1)->text(6), "");

    list->list()->setCurrentItem(list->list()->topLevelItem(1));
    list->restoreButton()->click();
    EXPECT_TRUE(list->message().startsWith("Dentista 2 ha già un appuntamento")) << list->message().toStdString();
    EXPECT_EQ(list->list()->topLevelItemCount(), 2);

    list->list()->setCurrentItem(list->list()->topLevelItem(0));
    list->restoreButton()->click();
    EXPECT_EQ(list->message(), "");
    EXPECT_EQ(list->list()->topLevelItemCount(), 1);
    ASSERT_EQ(wednesday->blocks().size(), 1u);
    EXPECT_EQ(wednesday->blocks().front().appointment().id, late);
}
