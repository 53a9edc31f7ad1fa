// The editor's "Richiamo" and the recall list's window, driven through their widgets.
#include "AppointmentEditor.h"
#include "FreeSlotPanel.h"
#include "PanelFixture.h"
#include "RecallField.h"
#include "RecallListWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class RecallPanelsTest : public PanelTest {
protected:
    QStringList row(RecallListWindow& window, int index)
    {
        QStringList texts;
        const QTreeWidgetItem* item = window.table()->topLevelItem(index);
        for (int c = 0; item && c < item->columnCount(); ++c)
            texts << item->text(c);
        return texts;
    }

    // A past visit whose recall is due on `due`.
    void visit(const QString& patient, const QString& day, const QDate& due, const QString& kind = "Igiene")
    {
        const Appointment a = book(1, day, 540, 30, patient, "333 1234567", kind);
        ASSERT_FALSE(store.saveEdited(a, a, RecallPlan{0, due, kind, true}));
    }
};

TEST_F(RecallPanelsTest, theEditorProposesTheTreatmentsRecallAndSavesWhatIsChosen)
{
    store.newAppointment(QDate(2024, 12, 5), 1, 600);
    auto editor = std::make_unique<AppointmentEditor>(store, *store.editing(), nullptr);
    RecallField* field = editor->recallField();
    EXPECT_EQ(field->interval()->currentText(), "Nessuno");
    QTest::keyClicks(child<QLineEdit>(editor.get(), "patientField"), "Anna Verdi");
    child<QLineEdit>(editor.get(), "treatmentField")->setText("Igiene orale");
    EXPECT_EQ(std::pair(field->interval()->currentText(), field->kind()->currentText()),
              std::pair(QString("Tra 6 mesi"), QString("Igiene")));
    // Chosen by hand, the field no longer follows the treatment.
    field->interval()->setCurrentIndex(field->interval()->findData(-1));
    field->day()->setDate(QDate(2025, 5, 20));
    child<QLineEdit>(editor.get(), "treatmentField")->setText("Controllo annuale");
    EXPECT_EQ(field->plan(), (RecallPlan{0, QDate(2025, 5, 20), "Igiene", true}));
    editor->save();
    ASSERT_FALSE(store.editing());
    const qint64 id = scalar("SELECT MAX(id) FROM appointments");
    EXPECT_EQ(store.recallOf(id)->due, QDate(2025, 5, 20));

    // Reopened, the editor shows the recall as stored; "Nessuno" removes it.
    const Appointment stored = *store.storedAppointment(id);
    store.setEditing(stored);
    editor = std::make_unique<AppointmentEditor>(store, stored, nullptr);
    EXPECT_EQ(editor->recallField()->plan(), (RecallPlan{0, QDate(2025, 5, 20), "Igiene", true}));
    // Another computer moves the recall meanwhile: a save that leaves the field alone keeps their change.
    db.run("UPDATE recalls SET due_day = '2025-06-01' WHERE appointment_id = ?", {id});
    child<QLineEdit>(editor.get(), "treatmentField")->setText("Igiene e controllo");
    editor->save();
    EXPECT_EQ(store.recallOf(id)->due, QDate(2025, 6, 1));
    const Appointment edited = *store.storedAppointment(id);
    store.setEditing(edited);
    editor = std::make_unique<AppointmentEditor>(store, edited, nullptr);
    editor->recallField()->interval()->setCurrentIndex(0);
    editor->save();
    EXPECT_FALSE(store.recallOf(id));
}

TEST_F(RecallPanelsTest, theListCountsCallsPostponesStopsAndBooksThroughTheFirstFreeSlot)
{
    visit("Anna Verdi", "2024-06-03", QDate(2024, 12, 3));
    visit("Bruno Neri", "2024-06-10", QDate(2024, 12, 10), "Controllo");
    visit("Carla Blu", "2024-06-17", QDate(2024, 12, 17));
    RecallListWindow window(store, nullptr);
    expose(&window);
    ASSERT_EQ(window.recalls().size(), 3);
    EXPECT_EQ(row(window, 0), QStringList({"Anna Verdi", "333 1234567", "Igiene", "03/12/2024", "03/06/2024", "–"}));

    window.selectRow(0);
    QTest::mouseClick(child<QPushButton>(&window, "notAnswered"), Qt::LeftButton);
    EXPECT_EQ(row(window, 0).last(), "1 (l'ultimo il 4/12 10:00)");

    Dialogs::answerNextDate(QDate(2024, 12, 20));
    window.selectRow(1);
    QTest::mouseClick(child<QPushButton>(&window, "postpone"), Qt::LeftButton);
    window.selectRow(1);
    QTest::mouseClick(child<QPushButton>(&window, "stop"), Qt::LeftButton);
    ASSERT_EQ(window.recalls().size(), 1);
    EXPECT_EQ(window.recalls().first().patient, "Anna Verdi");
    window.setMonth(QDate(2025, 1, 1));
    EXPECT_EQ(window.recalls().size(), 1); // overdue, so in every month's list

    // "Esporta…" writes the month's file for the SMS service: its header and Anna's row.
    QTemporaryDir folder;
    Dialogs::answerNextPath(folder.filePath("richiami.csv"));
    QTest::mouseClick(child<QPushButton>(&window, "export"), Qt::LeftButton);
    EXPECT_EQ(window.message(), "1 richiamo scritto in " + QDir::toNativeSeparators(folder.filePath("richiami.csv")) + ".");
    QFile written(folder.filePath("richiami.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count("\r\n"), 2);

    // "Prenota…" asks for the kind's usual length; the slot picked opens the editor for the patient.
    std::optional<std::pair<Recall, int>> asked;
    QObject::connect(&window, &RecallListWindow::bookRequested, &window,
            [&](const Recall& r, int minutes) { asked = std::pair(r, minutes); });
    window.selectRow(0);
    QTest::mouseClick(child<QPushButton>(&window, "book"), Qt::LeftButton);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->second, 45);
    FreeSlotPanel panel(store, [] {}, nullptr);
    panel.bookFor(asked->first, asked->second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.results().isEmpty(); }));
    panel.pick(panel.results().first());
    ASSERT_TRUE(store.editing());
    EXPECT_EQ(std::tuple(store.editing()->patient, store.editing()->phone, store.editing()->treatment,
                         store.editing()->durationMinutes),
              std::tuple(QString("Anna Verdi"), QString("333 1234567"), QString("Igiene"), 45));
    AppointmentEditor editor(store, *store.editing(), nullptr);
    editor.save();
    window.refresh();
    EXPECT_EQ(window.hint(), "Nessun paziente da richiamare in questo mese.");
}

} // namespace
