// The settings page of the reminder text: what the patient reads, its length, and what is kept.
#include "PanelFixture.h"
#include "ReminderSettings.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class ReminderSettingsTest : public PanelTest {};

TEST_F(ReminderSettingsTest, typingShowsTheMessageAndItsLengthAndIsKeptForThePractice)
{
    ASSERT_FALSE(store.saveSettings("Studio Sorriso", store.dentists()));
    ReminderSettings page(store);
    expose(&page);
    QLabel* example = child<QLabel>(&page, "reminderExample");
    QLabel* length = child<QLabel>(&page, "reminderLength");
    EXPECT_EQ(example->text(), "Gentile Maria Rossi, le ricordiamo l'appuntamento di giovedì 5/12 alle 10:30 con "
                               "Dentista 1 presso Studio Sorriso. Se non può venire ci avvisi.");
    EXPECT_EQ(length->text(), "143 caratteri su 160: un SMS.");

    page.field()->selectAll();
    QTest::keyClicks(page.field(), "{nome}: {giorno} {ora}, {studio} ");
    page.field()->insertPlainText("– {dentista}"); // Qt Test types ASCII only
    EXPECT_EQ(example->text(), "Maria Rossi: giovedì 5/12 10:30, Studio Sorriso – Dentista 1");
    EXPECT_EQ(length->text(), "60 caratteri su 70, perché «–» non è nell'alfabeto degli SMS: un SMS.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.reminderTemplate().has_value(); }));
    EXPECT_EQ(store.reminderTemplate(), "{nome}: {giorno} {ora}, {studio} – {dentista}");

    // Back to the default: nothing of the practice's own is kept.
    child<QPushButton>(&page, "reminderReset")->click();
    page.saveNow();
    EXPECT_EQ(store.reminderTemplate(), std::nullopt);
}
