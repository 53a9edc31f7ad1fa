// The list of the reminder calls: the next working day, one key per outcome, the next row selected.
#include "ConfirmationPanel.h"
#include "PanelFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

QStringList column(const QTreeWidget* list, int index)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(index);
    return texts;
}

} // namespace

class ConfirmationPanelTest : public PanelTest {};

TEST_F(ConfirmationPanelTest, keysMarkConfirmedOrCountAnAttemptAndMoveToTheNextCall)
{
    const Appointment anna = book(2, "2024-12-05", 600, 30, "Anna Verdi", "333 123 4567");
    const Appointment bruno = book(1, "2024-12-05", 540, 30, "Bruno Neri", "02 1234567");
    const Appointment carla = book(2, "2024-12-05", 540, 30, "Carla Blu");
    const Appointment dario = book(1, "2024-12-05", 660, 30, "Dario Rosa");
    book(1, "2024-12-06", 540, 30, "Elsa Gialli");
    ASSERT_FALSE(store.setStatus(dario.id, AppointmentStatus::Confirmed));

    ConfirmationPanel panel(store);
    expose(&panel);
    QTreeWidget* list = panel.list();
    // Thursday, the next working day; in time order, then by column; the confirmed one left out.
    EXPECT_EQ(panel.day(), QDate(2024, 12, 5));
    EXPECT_EQ(column(list, 1), QStringList({"Bruno Neri", "Carla Blu", "Anna Verdi"}));
    EXPECT_EQ(column(list, 3), QStringList({"02 1234567", "", "333 123 4567"}));
    EXPECT_EQ(panel.selectedId(), bruno.id);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_C);
    EXPECT_EQ(store.dayLines(QDate(2024, 12, 5))->at(0).status.status, AppointmentStatus::Confirmed);
    EXPECT_EQ(column(list, 1), QStringList({"Carla Blu", "Anna Verdi"}));
    EXPECT_EQ(panel.selectedId(), carla.id);

    QTest::keyClick(list, Qt::Key_N);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_N);
    // Still to confirm, twice without an answer, counted on its row; the list stays and moves on.
    EXPECT_EQ(column(list, 1), QStringList({"Carla Blu", "Anna Verdi"}));
    EXPECT_EQ(column(list, 4), QStringList({"2", ""}));
    EXPECT_EQ(column(list, 5), QStringList({"Da confermare", "Da confermare"}));
    EXPECT_EQ(panel.selectedId(), anna.id);
    // A call that was answered in the end is confirmed from the button too.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    child<QPushButton>(&panel, "confirmButton")->click();
    EXPECT_EQ(column(list, 5), QStringList({"Confermato", "Da confermare"}));

    panel.setDay(QDate(2024, 12, 6));
    EXPECT_EQ(column(list, 1), QStringList({"Elsa Gialli"}));
}

TEST_F(ConfirmationPanelTest, exportWritesTheChosenDaysFileAndSaysHowManyMessages)
{
    book(1, "2024-12-05", 540, 30, "Anna Verdi", "333 123 4567");
    book(1, "2024-12-05", 600, 30, "Bruno Neri", "02 1234567");
    QTemporaryDir dir;
    ConfirmationPanel panel(store);
    QString suggested;
    panel.setFileChooser([&](QWidget*, const QString& name) -> std::optional<QString> {
        suggested = name;
        return dir.filePath("sms.csv");
    });
    panel.exportReminders();
    EXPECT_TRUE(suggested.endsWith("/promemoria-2024-12-05.csv"));
    EXPECT_EQ(panel.message(), "1 promemoria scritto in " + dir.filePath("sms.csv") + ".");
    QFile file(dir.filePath("sms.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 2);
}
