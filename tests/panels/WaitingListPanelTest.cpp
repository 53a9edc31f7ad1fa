// The waiting list's window and form, and the first-free-slot panel's way onto the list.
#include "FreeSlotPanel.h"
#include "PanelFixture.h"
#include "WaitingEntryForm.h"
#include "WaitingListPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class WaitingListPanelTest : public PanelTest {
protected:
    QStringList row(WaitingListPanel& panel, int index)
    {
        QStringList texts;
        const QTreeWidgetItem* item = panel.table()->topLevelItem(index);
        for (int c = 0; item && c < item->columnCount(); ++c)
            texts << item->text(c);
        return texts;
    }

    static WaitingEntryForm* openForm()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<WaitingEntryForm*>(w); form && form->isVisible())
                return form;
        return nullptr;
    }
};

TEST_F(WaitingListPanelTest, theWindowAddsEditsAndRemovesPatients)
{
    WaitingListPanel panel(store, nullptr);
    expose(&panel);
    EXPECT_EQ(panel.hint(), "Nessun paziente in lista d'attesa.");

    QTest::mouseClick(child<QPushButton>(&panel, "add"), Qt::LeftButton);
    WaitingEntryForm* form = panel.form();
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(child<QPushButton>(form, "save"), Qt::LeftButton);
    EXPECT_EQ(form->errorText(), "Inserire il nome del paziente.");
    QTest::keyClicks(child<QLineEdit>(form, "patient"), "Anna Verdi");
    QTest::keyClicks(child<QLineEdit>(form, "phone"), "333 1234567");
    child<QComboBox>(form, "dentist")->setCurrentIndex(2); // Dentista 2
    child<QComboBox>(form, "part")->setCurrentIndex(2);    // afternoon
    child<QCheckBox>(form, "weekday1")->setChecked(false);
    child<QCheckBox>(form, "weekday3")->setChecked(false);
    child<QCheckBox>(form, "hasUntil")->setChecked(true);
    child<QDateEdit>(form, "until")->setDate(QDate(2025, 1, 31));
    QTest::keyClicks(child<QLineEdit>(form, "note"), "Dopo le 17");
    QTest::mouseClick(child<QPushButton>(form, "save"), Qt::LeftButton);
    QTRY_VERIFY(!panel.form());

    EXPECT_TRUE(panel.hint().isEmpty());
    EXPECT_EQ(row(panel, 0), QStringList({"Anna Verdi", "333 1234567", "30 min", "Dentista 2", "Lun, Mer, Ven",
                                          "Pomeriggio (13:00–19:45)", "04/12/2024", "31/01/2025", "Dopo le 17"}));

    // Editing starts from what is stored.
    panel.table()->setCurrentItem(panel.table()->topLevelItem(0));
    QTest::mouseClick(child<QPushButton>(&panel, "edit"), Qt::LeftButton);
    ASSERT_NE(panel.form(), nullptr);
    EXPECT_EQ(panel.form()->entry(), panel.entries().first());
    child<QComboBox>(panel.form(), "duration")->setCurrentIndex(3); // 1 h
    child<QCheckBox>(panel.form(), "hasUntil")->setChecked(false);
    QTest::mouseClick(child<QPushButton>(panel.form(), "save"), Qt::LeftButton);
    QTRY_VERIFY(!panel.form());
    EXPECT_EQ(row(panel, 0).mid(2, 1), QStringList({"1 h"}));
    EXPECT_EQ(row(panel, 0).value(7), "–");

    // Removing asks first; "Annulla" keeps the patient.
    Dialogs::answerNext(QMessageBox::RejectRole);
    QTest::mouseClick(child<QPushButton>(&panel, "remove"), Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(store.waitingList()->size(), 1);
    Dialogs::answerNext(QMessageBox::DestructiveRole);
    QTest::mouseClick(child<QPushButton>(&panel, "remove"), Qt::LeftButton);
    QTRY_VERIFY(store.waitingList()->isEmpty());
    EXPECT_EQ(Dialogs::takeShown().value(1).title, "Togliere Anna Verdi dalla lista d'attesa?");
    EXPECT_EQ(panel.hint(), "Nessun paziente in lista d'attesa.");
}

TEST_F(WaitingListPanelTest, whenNothingSuitsTheFreeSlotSearchGoesOnTheList)
{
    int closed = 0;
    auto panel = std::make_unique<FreeSlotPanel>(store, [&closed] { ++closed; }, nullptr);
    expose(panel.get());
    child<QComboBox>(panel.get(), "durationPicker")->setCurrentIndex(3); // 1 h
    child<QComboBox>(panel.get(), "dentistPicker")->setCurrentIndex(1); // Dentista 1
    child<QComboBox>(panel.get(), "partPicker")->setCurrentIndex(1);    // morning
    child<QToolButton>(panel.get(), "weekday2")->setChecked(false);
    child<QDateEdit>(panel.get(), "fromPicker")->setDate(QDate(2024, 12, 9));

    QTest::mouseClick(child<QPushButton>(panel.get(), "addToWaitingList"), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    WaitingEntryForm* form = openForm();
    ASSERT_NE(form, nullptr);
    QTest::keyClicks(child<QLineEdit>(form, "patient"), "Luca Neri");
    form->save();
    const QList<WaitingEntry> list = *store.waitingList();
    ASSERT_EQ(list.size(), 1);
    const WaitingEntry& e = list.first();
    EXPECT_EQ(e.patient, "Luca Neri");
    EXPECT_EQ(e.durationMinutes, 60);
    EXPECT_EQ(e.dentistId, 1);
    EXPECT_EQ(e.part, DayPart::Morning);
    EXPECT_EQ(e.weekdays, 0b11011);
    EXPECT_EQ(e.from, QDate(2024, 12, 9));
    EXPECT_FALSE(e.until);
}

} // namespace
