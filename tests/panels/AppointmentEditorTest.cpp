#include "AppointmentEditor.h"
#include "FileStore.h"
#include "NotesEdit.h"
#include "PanelFixture.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
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
        expose(editor.get());
        return *editor;
    }

    AppointmentEditor& openNew(int start = 600)
    {
        store.newAppointment(QDate(2024, 12, 4), 1, start);
        return open(*store.editing());
    }

    template <typename T> T* find(const char* name) { return child<T>(editor.get(), name); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    QString errorLine()
    {
        auto* label = find<QLabel>("errorText");
        return label->isVisibleTo(editor.get()) ? label->text() : QString();
    }
};

TEST_F(EditorTest, ARejectedSaveKeepsTheFieldsUntilTheNextEditAndReturnSavesANonBlankName)
{
    book(1, "2024-12-04", 600, 30, "Mario Rossi");
    AppointmentEditor& e = openNew(615);
    auto* patient = find<QLineEdit>("patientField");
    QTest::keyClicks(patient, "   ");
    EXPECT_FALSE(find<QPushButton>("saveButton")->isEnabled());
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_TRUE(e.isVisible());
    QTest::keyClicks(patient, "Anna Verdi ");
    QTest::keyClicks(find<NotesEdit>("notesField"), "prima riga");

    const QString overlap = QString::fromUtf8("Dentista 1 ha già un appuntamento 10:00–10:30 (Mario Rossi).");
    const std::function<void()> edits[] = {
        [&] { QTest::keyClicks(find<NotesEdit>("notesField"), "!"); },
        [&] { find<QComboBox>("durationPicker")->setCurrentIndex(0); },
        // The date picker is the only source of the day: Thursday has room at 10:15.
        [&] { find<QDateEdit>("datePicker")->setDate(QDate(2024, 12, 5)); },
    };
    for (const auto& edit : edits) {
        click("saveButton");
        ASSERT_EQ(errorLine(), overlap);
        EXPECT_TRUE(e.isVisible());
        EXPECT_EQ(patient->text(), "   Anna Verdi ");
        edit();
        EXPECT_EQ(errorLine(), QString());
    }
    EXPECT_EQ(count(), 1);
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_EQ(count("day = '2024-12-05' AND start_min = 615 AND duration_min = 15 AND dentist_id = 1 "
                    "AND patient = 'Anna Verdi' AND notes = 'prima riga!'"),
              1);
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(e.isVisible());
}

// Another computer closed the day after this one last looked: the sheet stays with what was typed.
TEST_F(EditorTest, ASaveOnADayClosedElsewhereIsRefusedAndTheSheetKeepsWhatWasTyped)
{
    AppointmentEditor& e = openNew(600);
    QTest::keyClicks(find<QLineEdit>("patientField"), "Anna Verdi");
    db.execute("INSERT INTO settings (key, value) VALUES ('closed_days', '2024-12-04\t2024-12-04\tPonte')");
    click("saveButton");
    EXPECT_EQ(errorLine(), QString::fromUtf8("Lo studio è chiuso mercoledì 4 dicembre 2024 (Ponte)."));
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(find<QLineEdit>("patientField")->text(), "Anna Verdi");
    EXPECT_TRUE(store.closedPeriodOn(QDate(2024, 12, 4)));
    EXPECT_EQ(count(), 0);
}

TEST_F(EditorTest, ACopyIsANewAppointmentWithTheSameDataAndTheAgendaShowsWhereItLands)
{
    const Appointment stored = book(1, "2024-12-04", 660, 30, "Mario Rossi", "333", "Otturazione");
    AppointmentEditor& e = open(stored);
    // A stored appointment opens with the keyboard in the patient's name, as a new one does.
    EXPECT_EQ(e.focusWidget(), find<QLineEdit>("patientField"));
    click("copyButton");
    EXPECT_EQ(e.windowTitle(), "Nuovo appuntamento");
    EXPECT_FALSE(find<QPushButton>("deleteButton")->isVisibleTo(&e));

    // At the same time it collides with the original; at another time it is a second appointment.
    click("saveButton");
    EXPECT_TRUE(e.error().has_value());
    find<QComboBox>("startPicker")->setCurrentText("14:00");
    click("saveButton");
    EXPECT_EQ(count("patient = 'Mario Rossi' AND phone = '333' AND treatment = 'Otturazione'"), 2);
    EXPECT_EQ(count("id = " + QString::number(stored.id) + " AND start_min = 660"), 1);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 4));

    // The next session, two weeks later: the agenda goes there.
    open(stored);
    click("copyButton");
    find<QDateEdit>("datePicker")->setDate(QDate(2024, 12, 18));
    click("saveButton");
    EXPECT_EQ(count("day = '2024-12-18' AND patient = 'Mario Rossi'"), 1);
    EXPECT_TRUE(store.visibleDays().contains(QDate(2024, 12, 18)));
}

TEST_F(EditorTest, EscapeTheCancelButtonAndClearingElsewhereCloseWithoutSaving)
{
    const Appointment stored = book(2, "2024-12-04", 660, 45, "Mario Rossi");
    const std::function<void()> closers[] = {
        [&] { QTest::keyClick(editor.get(), Qt::Key_Escape); },
        [&] { click("cancelButton"); },
        [&] { store.setEditing(std::nullopt); },
    };
    for (const auto& close : closers) {
        AppointmentEditor& e = open(stored);
        QTest::keyClicks(find<QLineEdit>("patientField"), " Junior");
        close();
        EXPECT_FALSE(store.editing().has_value());
        EXPECT_FALSE(e.isVisible());
    }
    EXPECT_EQ(count("patient = 'Mario Rossi'"), 1);
}

TEST_F(EditorTest, DeleteAsksFirstAndOnlyEliminaDeletes)
{
    AppointmentEditor& e = open(book(1, "2024-12-04", 660, 30, "Mario Rossi"));
    Dialogs::answerNext(QMessageBox::RejectRole); // "Annulla"
    click("deleteButton");
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Eliminare l'appuntamento di Mario Rossi?");
    EXPECT_EQ(asked[0].buttons.value(1).text, "Elimina");
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(e.isVisible());

    Dialogs::answerNext(QMessageBox::DestructiveRole); // "Elimina"
    click("deleteButton");
    EXPECT_TRUE(TestSupport::eventually([&] { return count() == 0; }));
    EXPECT_FALSE(store.editing().has_value());
    EXPECT_FALSE(e.isVisible());
}

// Another reception computer on the same data folder changes and deletes the appointment being edited.
TEST_F(EditorTest, AnotherComputersChangeIsNoticedAndTheUserChoosesWhichVersionStays)
{
    QTemporaryDir dir;
    Database mine(dir.filePath("calvora.sqlite"));
    Database theirs(mine.path());
    FileStore shared(mine);
    const auto stored = [&](const QString& where) {
        return mine.query("SELECT COUNT(*) FROM appointments WHERE " + where, {},
                          [](const SQLRow& r) { return r.integer(0); })
            .value(0);
    };
    const auto openShared = [&] {
        shared.setEditing(shared.weekAppointments().first());
        editor = std::make_unique<AppointmentEditor>(shared, *shared.editing(), nullptr);
        expose(editor.get());
    };
    const auto notice = [&] {
        auto* label = find<QLabel>("noticeText");
        return label->isVisibleTo(editor.get()) ? label->text() : QString();
    };
    ASSERT_FALSE(shared.save({0, 1, "2024-12-04", 600, 30, "Anna Verdi", {}, {}, {}}));

    // Seen while typing: the draft stays until the stored version is chosen.
    openShared();
    QTest::keyClicks(find<QLineEdit>("phoneField"), "347");
    theirs.run("UPDATE appointments SET treatment = 'Igiene orale'");
    ASSERT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(notice(), QStringLiteral("Nel frattempo un altro computer ha modificato questo appuntamento "
                                       "(prestazione «Igiene orale»)."));
    EXPECT_EQ(find<QLineEdit>("treatmentField")->text(), "");
    EXPECT_EQ(editor->draft().phone, "347");
    // The stored version comes in where only the other computer changed; what the user typed stays.
    click("useStoredButton");
    EXPECT_EQ(find<QLineEdit>("treatmentField")->text(), "Igiene orale");
    EXPECT_EQ(find<QLineEdit>("phoneField")->text(), "347");
    EXPECT_EQ(notice(), QString());
    click("saveButton");
    EXPECT_FALSE(shared.editing());
    EXPECT_EQ(stored("treatment = 'Igiene orale' AND phone = '347'"), 1);

    // Found when saving: nothing is written until the user keeps their own version.
    openShared();
    QTest::keyClicks(find<NotesEdit>("notesField"), "Allergica");
    theirs.run("UPDATE appointments SET start_min = 630");
    click("saveButton");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(notice(), QStringLiteral("Nel frattempo un altro computer ha modificato questo appuntamento "
                                       "(ora 10:30–11:00)."));
    EXPECT_EQ(stored("start_min = 630 AND notes = ''"), 1);
    click("saveOverButton");
    EXPECT_FALSE(shared.editing());
    EXPECT_EQ(stored("start_min = 600 AND notes = 'Allergica'"), 1);

    // Deleted meanwhile: "Salva" can do nothing, so Return makes the copy, and a second Return saves it.
    openShared();
    theirs.run("DELETE FROM appointments");
    ASSERT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_TRUE(notice().startsWith("Nel frattempo un altro computer ha eliminato questo appuntamento."));
    EXPECT_FALSE(find<QPushButton>("useStoredButton")->isVisibleTo(editor.get()));
    EXPECT_FALSE(find<QPushButton>("saveButton")->isEnabled());
    auto* patient = find<QLineEdit>("patientField");
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_EQ(editor->windowTitle(), "Nuovo appuntamento");
    EXPECT_EQ(stored("1"), 0);
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_FALSE(shared.editing());
    EXPECT_EQ(stored("patient = 'Anna Verdi' AND start_min = 600 AND notes = 'Allergica'"), 1);
}

// Both computers changed the same appointment: the fields both changed are offered one by one.
TEST_F(EditorTest, UsingTheStoredVersionAsksOnlyAboutTheFieldsBothComputersChanged)
{
    QTemporaryDir dir;
    Database mine(dir.filePath("calvora.sqlite"));
    Database theirs(mine.path());
    FileStore shared(mine);
    ASSERT_FALSE(shared.save({0, 1, "2024-12-04", 600, 30, "Anna Verdi", "333", {}, {}}));
    shared.setEditing(shared.weekAppointments().first());
    editor = std::make_unique<AppointmentEditor>(shared, *shared.editing(), nullptr);
    expose(editor.get());

    auto* phone = find<QLineEdit>("phoneField");
    phone->setText("347");
    find<QComboBox>("startPicker")->setCurrentText("11:00");
    QTest::keyClicks(find<NotesEdit>("notesField"), "Allergica");
    theirs.run("UPDATE appointments SET phone = '348', start_min = 630, treatment = 'Igiene orale'");
    ASSERT_TRUE(shared.refreshIfChangedElsewhere());
    click("useStoredButton");

    // Only theirs: taken. Only mine: kept. Both: the stored value, with the user's offered beside it.
    EXPECT_EQ(find<QLineEdit>("treatmentField")->text(), "Igiene orale");
    EXPECT_EQ(find<NotesEdit>("notesField")->toPlainText(), "Allergica");
    EXPECT_EQ(phone->text(), "348");
    EXPECT_EQ(find<QComboBox>("startPicker")->currentText(), "10:30");
    ASSERT_TRUE(editor->notice().has_value());
    EXPECT_TRUE(editor->notice()->endsWith("scegli quale valore tenere."));
    EXPECT_EQ(find<QRadioButton>("myValue0")->text(), "Tua: 347");
    EXPECT_EQ(find<QRadioButton>("storedValue1")->text(), "Salvata: 10:30");
    EXPECT_EQ(editor->findChild<QRadioButton*>("myValue2"), nullptr);

    QTest::mouseClick(find<QRadioButton>("myValue0"), Qt::LeftButton);
    EXPECT_EQ(phone->text(), "347");
    click("saveButton");
    EXPECT_FALSE(shared.editing());
    EXPECT_EQ(mine.query("SELECT COUNT(*) FROM appointments WHERE phone = '347' AND start_min = 630 "
                         "AND treatment = 'Igiene orale' AND notes = 'Allergica'",
                         {}, [](const SQLRow& r) { return r.integer(0); })
                  .value(0),
              1);
}

TEST_F(EditorTest, KnownPatientsFillTheTelephoneAndAnOverlapOffersTheNearestStarts)
{
    book(1, "2024-12-05", 600, 30, "Mario Rossi", "347 111");
    store.newAppointment(QDate(2024, 12, 5), 1, 600);
    AppointmentEditor& e = open(*store.editing());
    auto* patient = find<QLineEdit>("patientField");
    QTest::keyClicks(patient, "ros");
    auto* completer = e.findChild<QCompleter*>();
    ASSERT_TRUE(completer);
    ASSERT_TRUE(TestSupport::eventually([&] { return completer->popup()->isVisible(); }));
    EXPECT_EQ(completer->completionModel()->index(0, 0).data().toString(), QStringLiteral("Mario Rossi · 347 111"));
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    EXPECT_EQ(patient->text(), "Mario Rossi");
    EXPECT_EQ(find<QLineEdit>("phoneField")->text(), "347 111");

    click("saveButton");
    EXPECT_EQ(errorLine(), QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:30 (Mario Rossi)."));
    EXPECT_EQ(e.alternatives(), (QList<int>{570, 630}));
    EXPECT_EQ(find<QPushButton>("alternative1")->text(), "Alle 10:30");
    click("alternative1");
    EXPECT_EQ(find<QComboBox>("startPicker")->currentText(), "10:30");
    EXPECT_EQ(errorLine(), QString());
    EXPECT_TRUE(e.alternatives().isEmpty());
    click("saveButton");
    EXPECT_EQ(count("start_min = 630 AND patient = 'Mario Rossi' AND phone = '347 111'"), 1);
}

TEST_F(EditorTest, ASuggestionReplacesTheTreatment)
{
    book(1, "2024-12-02", 600, 30, "Mario Rossi", {}, "Controllo & pulizia");
    openNew();
    const QList<QAction*> items = find<QToolButton>("suggestionsButton")->menu()->actions();
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items[0]->text(), "Controllo && pulizia"); // used ones first, "&" not taken as a mnemonic
    QTest::keyClicks(find<QLineEdit>("treatmentField"), "estr");
    items[0]->trigger();
    EXPECT_EQ(editor->draft().treatment, "Controllo & pulizia");
}

// On the data folder's file, before the copy in memory is ready, the suggestions come from a worker's
// read of the agenda: the window opens at once and takes them in when they arrive.
TEST_F(EditorTest, SuggestionsThatReadTheAgendaArriveAfterTheSheetOpens)
{
    QTemporaryDir dir;
    Database file(dir.filePath("calvora.sqlite"));
    FileStore onFile(file);
    ASSERT_FALSE(onFile.save({0, 1, "2024-12-02", 600, 30, "Mario Rossi", "347 111", "Bite", {}}));
    onFile.newAppointment(QDate(2024, 12, 4), 1, 600);
    // Another program writing holds the worker's reading until the sheet is on screen.
    Database writer(dir.filePath("calvora.sqlite"));
    writer.execute("BEGIN EXCLUSIVE");
    editor = std::make_unique<AppointmentEditor>(onFile, *onFile.editing(), nullptr);
    expose(editor.get());
    auto* button = find<QToolButton>("suggestionsButton");
    EXPECT_FALSE(button->isEnabled());
    writer.execute("COMMIT");
    ASSERT_TRUE(TestSupport::eventually([&] { return button->isEnabled(); }));
    EXPECT_EQ(button->menu()->actions().value(0)->text(), "Bite");
    QTest::keyClicks(find<QLineEdit>("patientField"), "ros");
    auto* completer = editor->findChild<QCompleter*>();
    ASSERT_TRUE(TestSupport::eventually([&] { return completer->popup()->isVisible(); }));
    EXPECT_EQ(completer->completionModel()->index(0, 0).data().toString(), QStringLiteral("Mario Rossi · 347 111"));
    editor.reset();
}

TEST_F(EditorTest, NotesGrowFromThreeToSixLinesThenScroll)
{
    openNew();
    auto* notes = find<NotesEdit>("notesField");
    EXPECT_EQ(notes->visibleLines(), 3);
    const int small = notes->height();
    notes->setPlainText("1\n2\n3\n4\n5\n6\n7\n8\n9");
    EXPECT_EQ(notes->visibleLines(), 6);
    EXPECT_GT(notes->height(), small);
    EXPECT_TRUE(TestSupport::eventually([&] { return notes->verticalScrollBar()->maximum() > 0; }));
}

} // namespace

// The date's calendar is made when the field is first used, in Italian, the week starting on Monday.
TEST_F(EditorTest, theDateCalendarOpensFromTheFieldInItalianFromMonday)
{
    openNew();
    auto* field = find<QDateEdit>("datePicker");
    EXPECT_EQ(field->findChild<QCalendarWidget*>(), nullptr);
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 6, field->height() / 2));
    QCalendarWidget* calendar = field->calendarWidget();
    ASSERT_TRUE(calendar);
    EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(calendar->locale().language(), QLocale::Italian);
}

// A known patient, picked or opened, brings the line of their missed and late-cancelled appointments of
// the last two years; a name being typed hides it. A stored appointment's status changes at once.
TEST_F(EditorTest, AKnownPatientsBrokenAppointmentsShowAndTheStatusChangesAtOnce)
{
    const Appointment missed = book(1, "2024-11-20", 600, 30, "Mario Rossi", "347 111");
    ASSERT_FALSE(store.setStatus(missed.id, AppointmentStatus::NoShow));
    const Appointment old = book(1, "2022-11-21", 600, 30, "Mario Rossi", "347 111"); // over two years ago
    ASSERT_FALSE(store.setStatus(old.id, AppointmentStatus::NoShow));
    const Appointment late = book(2, "2024-12-04", 660, 30, "Mario Rossi", "347 111");
    ASSERT_FALSE(store.cancel(late, CancelledBy::Patient));
    book(3, "2024-10-16", 600, 30, "Mario Rossi", "02 999"); // another Mario Rossi, seen less recently

    AppointmentEditor& fresh = openNew();
    EXPECT_FALSE(fresh.brokenLine()->isVisibleTo(&fresh));
    EXPECT_FALSE(fresh.statusPicker()->isEnabled()); // a new booking awaits confirmation
    auto* patient = find<QLineEdit>("patientField");
    QTest::keyClicks(patient, "mario");
    auto* completer = fresh.findChild<QCompleter*>();
    ASSERT_TRUE(TestSupport::eventually([&] { return completer->popup()->isVisible(); }));
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    ASSERT_EQ(find<QLineEdit>("phoneField")->text(), "347 111");
    EXPECT_TRUE(fresh.brokenLine()->isVisibleTo(&fresh));
    EXPECT_EQ(fresh.brokenLine()->text(), "1 volta non presentato e 1 disdetta tardiva negli ultimi 2 anni");
    QTest::keyClicks(patient, "x");
    EXPECT_FALSE(fresh.brokenLine()->isVisibleTo(&fresh));
    editor.reset();

    AppointmentEditor& sheet = open(missed);
    EXPECT_EQ(sheet.brokenLine()->text(), "1 volta non presentato e 1 disdetta tardiva negli ultimi 2 anni");
    EXPECT_EQ(sheet.statusPicker()->currentText(), "Non presentato");
    sheet.statusPicker()->setCurrentIndex(sheet.statusPicker()->findText("Arrivato"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM appointment_status WHERE status = 'arrivato'"), 1);
    EXPECT_EQ(sheet.brokenLine()->text(), "1 volta non presentato e 1 disdetta tardiva negli ultimi 2 anni");
    store.undo(); // the picker follows the store
    EXPECT_EQ(sheet.statusPicker()->currentText(), "Non presentato");

    EXPECT_EQ(AppointmentEditor::brokenAppointmentsText({0, 0}), "");
    EXPECT_EQ(AppointmentEditor::brokenAppointmentsText({2, 0}), "2 volte non presentato negli ultimi 2 anni");
    EXPECT_EQ(AppointmentEditor::brokenAppointmentsText({0, 3}), "3 disdette tardive negli ultimi 2 anni");
}
