// The settings page of the recalls: the practice's kinds and treatment defaults kept as they are edited,
// refusals said and nothing half-stored, and the recall message with its example.
#include "RecallMessageSettings.h"
#include "PanelFixture.h"
#include "RecallSettingsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

class RecallSettingsPageTest : public PanelTest {};

TEST_F(RecallSettingsPageTest, kindsAndTreatmentDefaultsAreKeptAsEditedAndARenameCarriesTheTreatmentsAlong)
{
    RecallSettingsPage page(store);
    expose(&page);
    // The two kinds every practice has cannot be renamed nor removed.
    EXPECT_EQ(page.findChild<QLineEdit*>("recallKindName0"), nullptr);
    EXPECT_EQ(page.findChild<QToolButton*>("recallKindRemove1"), nullptr);

    child<QPushButton>(&page, "recallKindAdd")->click();
    QLineEdit* name = child<QLineEdit>(&page, "recallKindName2");
    EXPECT_TRUE(name->hasFocus());
    QTest::keyClicks(name, "Sbiancamento");
    child<QComboBox>(&page, "recallKindMonths2")->setCurrentIndex(1);
    child<QSpinBox>(&page, "recallKindMinutes2")->setValue(60);
    child<QComboBox>(&page, "recallTreatmentKind0")->setCurrentIndex(2); // "Igiene orale" now proposes the new kind
    EXPECT_EQ(child<QComboBox>(&page, "recallTreatmentMonths0")->currentText(), "12 mesi");
    child<QPushButton>(&page, "recallTreatmentAdd")->click();
    QTest::keyClicks(child<QLineEdit>(&page, "recallTreatment2"), "Visita");
    child<QCheckBox>(&page, "recallConsent")->setChecked(false);
    QTest::keyClicks(name, " Plus");

    RecallSettings expected = RecallSettings::defaults();
    expected.kinds.append({"Sbiancamento Plus", 12, 60});
    expected.treatments = {{"Igiene orale", "Sbiancamento Plus", 12},
                           {"Visita di controllo", "Controllo", 12},
                           {"Visita", "Controllo", 12}};
    expected.consentByDefault = false;
    EXPECT_EQ(store.recallSettings(), expected);
    EXPECT_EQ(page.message(), "");

    // A kind still proposed for a treatment stays; a blank name is said and not stored.
    child<QToolButton>(&page, "recallKindRemove2")->click();
    EXPECT_TRUE(page.message().startsWith("«Sbiancamento Plus» è proposto per la prestazione «Igiene orale»"));
    name = child<QLineEdit>(&page, "recallKindName2");
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    EXPECT_EQ(page.message(), "Ogni tipo di richiamo deve avere un nome.");
    EXPECT_EQ(store.recallSettings(), expected);

    // A new page shows what is stored.
    RecallSettingsPage again(store);
    EXPECT_EQ(again.settings(), expected);
    EXPECT_FALSE(child<QCheckBox>(&again, "recallConsent")->isChecked());
    EXPECT_EQ(child<QLineEdit>(&again, "recallKindName2")->text(), "Sbiancamento Plus");
}

TEST_F(RecallSettingsPageTest, theMessageShowsAsAPatientReadsItAndADefaultTextIsNotStored)
{
    ASSERT_FALSE(store.saveSettings("Studio Sorriso", store.dentists()));
    RecallMessageSettings page(store);
    expose(&page);
    QPlainTextEdit* field = page.field();
    EXPECT_EQ(child<QLabel>(&page, "recallExample")->text(),
              "Gentile Maria Rossi, è ora del richiamo di igiene presso Studio Sorriso. Ci chiami per fissare un "
              "appuntamento.");
    field->selectAll();
    QTest::keyClicks(field, "{nome}: {tipo} entro {scadenza}");
    EXPECT_EQ(child<QLabel>(&page, "recallExample")->text(), "Maria Rossi: igiene entro giugno 2025");
    EXPECT_EQ(child<QLabel>(&page, "recallLength")->text(), "37 caratteri su 160: un SMS.");
    page.saveNow();
    EXPECT_EQ(store.recallTemplate(), "{nome}: {tipo} entro {scadenza}");
    child<QPushButton>(&page, "recallReset")->click();
    page.saveNow();
    EXPECT_EQ(store.recallTemplate(), std::nullopt);
}
