#include "AppointmentEditor.h"
#include "NotesEdit.h"
#include "PanelFixture.h"
#include "Schedule.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include <memory>

namespace {

class EditorTest : public PanelTest {
protected:
    std::unique_ptr<AppointmentEditor> editor;

    // Opens the editor the way the main window does: on what store.editing() holds.
    AppointmentEditor& open(const Appointment& a)
    {
        store.setEditing(a);
        editor = std::make_unique<AppointmentEditor>(store, *store.editing(), nullptr);
        editor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        return *editor;
    }

    AppointmentEditor& openNew(int start = 600)
    {
        store.newAppointment(QDate(2024, 12, 4), 1, start);
        return open(*store.editing());
    }

    template <typename T> T* child(const char* name)
    {
        T* widget = editor->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString errorLine()
    {
        return child<QLabel>("errorText")->isVisibleTo(editor.get()) ? child<QLabel>("errorText")->text()
                                                                     : QString();
    }
};

TEST_F(EditorTest, NewAppointmentIsSavedWithReturnAndTheSheetCloses)
{
    AppointmentEditor& e = openNew();
    EXPECT_EQ(e.windowTitle(), "Nuovo appuntamento");
    EXPECT_FALSE(child<QPushButton>("deleteButton")->isVisibleTo(&e));
    EXPECT_FALSE(child<QPushButton>("copyButton")->isVisibleTo(&e));
    EXPECT_EQ(e.focusWidget(), child<QLineEdit>("patientField"));
    EXPECT_EQ(e.size(), QSize(540, 640));

    // A name of blanks keeps "Salva" disabled and Return does nothing.
    auto* patient = child<QLineEdit>("patientField");
    QTest::keyClicks(patient, "   ");
    EXPECT_FALSE(child<QPushButton>("saveButton")->isEnabled());
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(e.isVisible());

    QSignalSpy finished(&e, &QDialog::finished);
    patient->clear();
    QTest::keyClicks(patient, "  Anna Verdi ");
    QTest::keyClicks(child<QLineEdit>("phoneField"), "347 1234567");
    QTest::keyClick(patient, Qt::Key_Return);

    EXPECT_EQ(
        count("patient = 'Anna Verdi' AND phone = '347 1234567' AND day = '2024-12-04' AND start_min = 600 "
              "AND duration_min = 30 AND dentist_id = 1"),
        1);
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(EditorTest, ARejectedSaveShowsTheMessageKeepsEverythingAndClearsOnTheNextEdit)
{
    book(1, "2024-12-04", 600, 30, "Mario Rossi");
    AppointmentEditor& e = openNew(615);
    QTest::keyClicks(child<QLineEdit>("patientField"), "Anna Verdi");
    QTest::keyClicks(child<QLineEdit>("phoneField"), "333");
    QTest::keyClicks(child<QLineEdit>("treatmentField"), "Igiene");
    QTest::keyClicks(child<NotesEdit>("notesField"), "prima riga");
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);

    const QString overlap = QString::fromUtf8("Dentista 1 ha già un appuntamento 10:00–10:30 (Mario Rossi).");
    EXPECT_EQ(errorLine(), overlap);
    EXPECT_EQ(e.error(), overlap);
    EXPECT_TRUE(e.isVisible());
    EXPECT_TRUE(store.editing().has_value());
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(child<QLineEdit>("patientField")->text(), "Anna Verdi");
    EXPECT_EQ(child<QLineEdit>("phoneField")->text(), "333");
    EXPECT_EQ(child<QLineEdit>("treatmentField")->text(), "Igiene");
    EXPECT_EQ(child<NotesEdit>("notesField")->toPlainText(), "prima riga");
    EXPECT_EQ(child<QComboBox>("startPicker")->currentText(), "10:15");

    // Any edit clears the line: the notes, the duration, the date.
    QTest::keyClicks(child<NotesEdit>("notesField"), "!");
    EXPECT_EQ(errorLine(), QString());
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    ASSERT_EQ(errorLine(), overlap);
    child<QComboBox>("durationPicker")->setCurrentIndex(0);
    EXPECT_EQ(errorLine(), QString());
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    ASSERT_EQ(errorLine(), overlap);

    // The date picker is the only source of the day: Thursday has room at 10:15.
    child<QDateEdit>("datePicker")->setDate(QDate(2024, 12, 5));
    EXPECT_EQ(errorLine(), QString());
    EXPECT_EQ(e.draft().day, "2024-12-04");
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_EQ(
        count("day = '2024-12-05' AND start_min = 615 AND patient = 'Anna Verdi' AND notes = 'prima riga!'"),
        1);
    EXPECT_FALSE(store.editing().has_value());
}

TEST_F(EditorTest, CopyThenCancelWritesNothingAndEscapeCancels)
{
    const Appointment stored = book(2, "2024-12-04", 660, 45, "Mario Rossi", "333", "Otturazione");
    AppointmentEditor& e = open(stored);
    EXPECT_EQ(e.windowTitle(), "Modifica appuntamento");
    auto* copy = child<QPushButton>("copyButton");
    EXPECT_TRUE(copy->isVisibleTo(&e));
    EXPECT_EQ(copy->toolTip(),
              "Crea un nuovo appuntamento con gli stessi dati (es. per una seduta successiva)");
    EXPECT_EQ(child<QComboBox>("dentistPicker")->currentText(), "Dentista 2");
    EXPECT_EQ(child<QComboBox>("durationPicker")->currentText(), formatDuration(45));

    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(e.windowTitle(), "Nuovo appuntamento");
    EXPECT_EQ(e.draft().id, 0);
    EXPECT_FALSE(copy->isVisibleTo(&e));
    EXPECT_FALSE(child<QPushButton>("deleteButton")->isVisibleTo(&e));

    QTest::mouseClick(child<QPushButton>("cancelButton"), Qt::LeftButton);
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(count(), 1);

    // Escape ends the sheet the same way, leaving the stored appointment as it was.
    AppointmentEditor& again = open(stored);
    QTest::keyClicks(child<QLineEdit>("patientField"), " Junior");
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(count("patient = 'Mario Rossi'"), 1);
}

TEST_F(EditorTest, ACopySavedAtTheSameTimeCollidesAndAtAnotherTimeAddsASecondAppointment)
{
    const Appointment stored = book(1, "2024-12-04", 660, 30, "Mario Rossi");
    open(stored);
    QTest::mouseClick(child<QPushButton>("copyButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_TRUE(editor->error().has_value());
    EXPECT_EQ(count(), 1);

    child<QComboBox>("startPicker")->setCurrentText("14:00");
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_EQ(count("patient = 'Mario Rossi'"), 2);
    EXPECT_EQ(count("id = " + QString::number(stored.id) + " AND start_min = 660"), 1);
}

TEST_F(EditorTest, DeleteAsksFirstAndOnlyEliminaDeletes)
{
    const Appointment stored = book(1, "2024-12-04", 660, 30, "Mario Rossi");
    AppointmentEditor& e = open(stored);
    auto* del = child<QPushButton>("deleteButton");
    EXPECT_EQ(del->text(), QString::fromUtf8("Elimina…"));

    Dialogs::answerNext(0); // "Annulla"
    QTest::mouseClick(del, Qt::LeftButton);
    QTest::qWait(20);
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Eliminare l'appuntamento di Mario Rossi?");
    ASSERT_EQ(asked[0].buttons.size(), 2);
    EXPECT_EQ(asked[0].buttons[1].text, "Elimina");
    EXPECT_EQ(asked[0].buttons[1].role, QMessageBox::DestructiveRole);
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(e.isVisible());

    Dialogs::answerNext(1); // "Elimina"
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_TRUE(TestSupport::eventually([&] { return count() == 0; }));
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(e.isVisible());
}

TEST_F(EditorTest, ASuggestionReplacesTheTreatmentAndThePickersOfferTheSchedule)
{
    book(1, "2024-12-02", 600, 30, "Mario Rossi", {}, "Controllo & pulizia");
    openNew();
    auto* button = child<QToolButton>("suggestionsButton");
    EXPECT_EQ(button->toolTip(), "Scegli una prestazione");
    const QList<QAction*> items = button->menu()->actions();
    ASSERT_EQ(items.size(), 16);
    EXPECT_EQ(items[0]->text(), "Controllo && pulizia");
    EXPECT_EQ(items[1]->text(), "Prima visita");

    auto* treatment = child<QLineEdit>("treatmentField");
    QTest::keyClicks(treatment, "estr");
    items[0]->trigger();
    EXPECT_EQ(treatment->text(), "Controllo & pulizia");
    EXPECT_EQ(editor->draft().treatment, "Controllo & pulizia");

    auto* start = child<QComboBox>("startPicker");
    ASSERT_EQ(start->count(), 43);
    EXPECT_EQ(start->itemText(0), "09:00");
    EXPECT_EQ(start->itemText(42), "19:30");
    auto* duration = child<QComboBox>("durationPicker");
    ASSERT_EQ(duration->count(), 16);
    EXPECT_EQ(duration->itemText(15), formatDuration(240));
}

TEST_F(EditorTest, TheSheetClosesWhenEditingIsClearedElsewhereAndFollowsRenamedDentists)
{
    AppointmentEditor& e = openNew();
    EXPECT_EQ(store.updateDentist(Dentist{1, "Dott. Neri", "#112233", 0}), std::nullopt);
    EXPECT_EQ(child<QComboBox>("dentistPicker")->currentText(), "Dott. Neri");

    QSignalSpy finished(&e, &QDialog::finished);
    store.setEditing(std::nullopt);
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(EditorTest, NotesGrowFromThreeToSixLinesThenScroll)
{
    openNew();
    auto* notes = child<NotesEdit>("notesField");
    EXPECT_EQ(notes->visibleLines(), 3);
    const int small = notes->height();
    notes->setPlainText("1\n2\n3\n4\n5");
    EXPECT_EQ(notes->visibleLines(), 5);
    EXPECT_GT(notes->height(), small);
    QCoreApplication::processEvents();
    EXPECT_EQ(notes->verticalScrollBar()->maximum(), 0); // all five lines in view
    notes->setPlainText("1\n2\n3\n4\n5\n6\n7\n8\n9");
    EXPECT_EQ(notes->visibleLines(), 6);
    EXPECT_TRUE(TestSupport::eventually([&] { return notes->verticalScrollBar()->maximum() > 0; }));
}

} // namespace
