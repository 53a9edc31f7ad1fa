// The waiting list in the agenda window: a freed start offered without a dialog, booked from the offer,
// and the list's window from the menu Vai.
#include "AgendaFixture.h"
#include "AppointmentEditor.h"
#include "CalvoraCommands.h"
#include "WaitingListPanel.h"
#include "WaitingOfferBar.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class WaitingOfferTest : public AgendaTest {
protected:
    void SetUp() override
    {
        AgendaPanels panels;
        panels.appointmentEditor = [](Store& s, const Appointment& a, QWidget* parent) -> QDialog* {
            return new AppointmentEditor(s, a, parent);
        };
        view = std::make_unique<CalvoraView>(store, std::move(panels));
        view->resize(1440, 900);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        (void)Dialogs::takeShown();
    }

    void wait(const QString& patient, const QString& phone, int duration)
    {
        WaitingEntry e;
        e.patient = patient;
        e.phone = phone;
        e.durationMinutes = duration;
        ASSERT_FALSE(store.saveWaitingEntry(e));
    }
};

TEST_F(WaitingOfferTest, aFreedStartIsOfferedWithoutADialogAndBookedFromTheOffer)
{
    const qint64 luca = book(1, "2024-12-05", 600, 30, "Luca Neri");
    wait("Paola Rossi", "347 7654321", 30);
    wait("Marco Gialli", {}, 90); // too long: the next appointment starts at 10:30
    book(1, "2024-12-05", 630, 30, "Carla Bianchi");
    WaitingOfferBar* bar = view->waitingOffer();
    EXPECT_TRUE(bar->isHidden());
    view->openWaitingList();
    WaitingListPanel* list = view->waitingList();
    ASSERT_EQ(list->entries().size(), 2);

    store.deleteAppointment(*store.storedAppointment(luca));
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->text(), "Lista d'attesa: 1 paziente per gio 5 dic 10:00 (Dentista 1)");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
    ASSERT_EQ(bar->patientsMenu()->actions().size(), 1);
    EXPECT_EQ(bar->patientsMenu()->actions().first()->text(), "Paola Rossi · 30 min · 347 7654321");

    bar->patientsMenu()->actions().first()->trigger();
    auto* editor = qobject_cast<AppointmentEditor*>(view->editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->findChild<QLineEdit*>("patientField")->text(), "Paola Rossi");
    EXPECT_EQ(editor->findChild<QLineEdit*>("phoneField")->text(), "347 7654321");
    EXPECT_EQ(editor->draft().startMinutes, 600);
    EXPECT_EQ(editor->draft().durationMinutes, 30);
    EXPECT_TRUE(bar->isHidden());
    editor->save();
    QTRY_VERIFY(!view->editor());
    EXPECT_EQ(store.weekAppointments().size(), 2);
    ASSERT_EQ(store.waitingList()->size(), 1);
    EXPECT_EQ(store.waitingList()->first().patient, "Marco Gialli");
    EXPECT_EQ(list->entries(), *store.waitingList()) << "the open list shows the booked patient gone at once";

    // "Ignora" puts an offer away.
    wait("Anna Verdi", {}, 30);
    store.deleteAppointment(store.weekAppointments().last());
    ASSERT_TRUE(bar->isVisible());
    QTest::mouseClick(bar->findChild<QPushButton*>("dismissWaiting"), Qt::LeftButton);
    EXPECT_TRUE(bar->isHidden());
}

TEST_F(WaitingOfferTest, theMenuVaiOpensTheWaitingList)
{
    wait("Paola Rossi", {}, 30);
    view->commands()->waitingListAction()->trigger();
    WaitingListPanel* list = view->waitingList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->table()->topLevelItemCount(), 1);
    view->commands()->waitingListAction()->trigger();
    EXPECT_EQ(view->waitingList(), list) << "one window, raised again";
}

} // namespace
