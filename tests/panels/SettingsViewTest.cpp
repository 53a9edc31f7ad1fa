#include "SettingsView.h"
#include "FileStore.h"
#include "ClosedDaysSection.h"
#include "ColorWell.h"
#include "PanelFixture.h"
#include "AccessibilityAudit.h"
#include "Backup.h"
#include "Dialogs.h"
#include "SecondPlace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QSpinBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString autosaveNote =
    QString::fromUtf8("Le modifiche vengono salvate automaticamente. Il nome di un dentista "
                      "si può cambiare anche con un clic sul nome nell'agenda.");

class SettingsTest : public PanelTest {
protected:
    std::unique_ptr<SettingsView> view;

    void SetUp() override
    {
        PanelTest::SetUp();
        // Every row the window writes is counted.
        db.execute("CREATE TABLE writes (n INTEGER); "
                   "CREATE TRIGGER count_dentist_writes AFTER UPDATE ON dentists "
                   "BEGIN INSERT INTO writes VALUES (1); END");
    }

    SettingsView& open(Store& s)
    {
        view = std::make_unique<SettingsView>(s);
        expose(view.get());
        return *view;
    }

    QLineEdit* field(const QString& name)
    {
        return child<QLineEdit>(view.get(), name.toLatin1().constData());
    }
    QLineEdit* dentistField(int i) { return field(QStringLiteral("dentistField%1").arg(i)); }
    void click(const char* button)
    {
        QTest::mouseClick(child<QPushButton>(view.get(), button), Qt::LeftButton);
    }

    // Saves so far: each save rewrites the three dentists.
    qint64 saves() { return scalar("SELECT COUNT(*) FROM writes") / 3; }

    QToolButton* arrow(const QString& name) { return child<QToolButton>(view.get(), name.toLatin1().constData()); }
    QStringList dentistNames()
    {
        QStringList names;
        for (const Dentist& d : store.dentists())
            names << d.name;
        return names;
    }

    // Once the real box is up, reads the lines it lists and presses the button with that text (or
    // closes the box when it has none, so that a wrong test never waits for a person).
    void pressWhenShown(const QString& button, QStringList* lines)
    {
        auto* poll = new QTimer(view.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, button, lines] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll->stop();
            poll->deleteLater();
            for (const QListWidget* list : box->findChildren<QListWidget*>())
                for (int i = 0; i < list->count(); ++i)
                    lines->append(list->item(i)->text());
            for (QPushButton* b : box->findChildren<QPushButton*>())
                if (b->text() == button)
                    return b->click();
            box->reject();
        });
        poll->start(10);
    }
};

TEST_F(SettingsTest, SavesOnEveryKeystrokeButNeverABlankName)
{
    SettingsView& v = open(store);
    EXPECT_EQ(v.noteText(), autosaveNote);
    QLineEdit* first = dentistField(0);
    first->selectAll();
    QTest::keyClick(first, Qt::Key_Backspace);
    EXPECT_EQ(saves(), 0);
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    QTest::keyClicks(first, "Neri");
    EXPECT_EQ(store.dentist(1)->name, "Neri");
    EXPECT_EQ(saves(), 4);
    // A trailing blank changes nothing that would be stored.
    QTest::keyClicks(first, " ");
    EXPECT_EQ(saves(), 4);

    QTest::keyClicks(field("studioField"), "Studio Sorriso");
    EXPECT_EQ(store.studioName(), "Studio Sorriso");

    // Typing in the middle of a name keeps the cursor where it is.
    QLineEdit* second = dentistField(1);
    second->setFocus();
    second->setCursorPosition(4); // "Dent|ista 2"
    QTest::keyClicks(second, "X");
    EXPECT_EQ(store.dentist(2)->name, "DentXista 2");
    EXPECT_EQ(second->cursorPosition(), 5);

    // Changing only a colour saves at once, as upper-case hex.
    Dialogs::answerNextColor(QColor(0x0a, 0xbc, 0xde));
    QTest::mouseClick(child<ColorWell>(view.get(), "dentistColor2"), Qt::LeftButton);
    EXPECT_EQ(store.dentist(3)->colorHex, "#0ABCDE");
}

TEST_F(SettingsTest, AFailedSavePutsTheStoredValuesBackAndSaysSoBesideTheControl)
{
    SettingsView& v = open(store);
    blockDentistUpdates();
    const auto saidNotSaved = [](const QString& text) {
        return text.startsWith("Errore durante il salvataggio: ") && text.contains("archivio bloccato")
            && text.endsWith("resta il valore salvato prima.");
    };
    QTest::keyClicks(dentistField(0), "x");
    EXPECT_EQ(dentistField(0)->text(), "Dentista 1");
    EXPECT_TRUE(saidNotSaved(v.noteText())) << v.noteText().toStdString();
    Dialogs::answerNextColor(QColor(0x0a, 0xbc, 0xde));
    QTest::mouseClick(child<ColorWell>(view.get(), "dentistColor0"), Qt::LeftButton);
    EXPECT_EQ(child<ColorWell>(view.get(), "dentistColor0")->color(), QColor(store.dentist(1)->colorHex));
    // The practice name's failure shows under the name, on its own page.
    v.showPage(SettingsView::Page::Studio);
    QTest::keyClicks(field("studioField"), "S");
    EXPECT_EQ(field("studioField")->text(), "");
    auto* studioMessage = child<QLabel>(view.get(), "studioMessage");
    EXPECT_TRUE(studioMessage->isVisible() && saidNotSaved(studioMessage->text()))
        << studioMessage->text().toStdString();
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    unblockDentistUpdates();
    QTest::keyClicks(dentistField(0), "y");
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1y");
    EXPECT_EQ(v.noteText(), autosaveNote);
    EXPECT_FALSE(studioMessage->isVisible());
}

TEST_F(SettingsTest, ChangesFromTheAgendaRefreshTheRowsUnlessANameIsBlank)
{
    open(store);
    ASSERT_EQ(store.updateDentist(Dentist{2, "Dott. Blu", "#0000FF", 1, {}}), std::nullopt);
    EXPECT_EQ(dentistField(1)->text(), "Dott. Blu");

    QLineEdit* first = dentistField(0);
    first->selectAll();
    QTest::keyClick(first, Qt::Key_Backspace);
    ASSERT_EQ(store.updateDentist(Dentist{2, "Dott. Verde", "#00FF00", 1, {}}), std::nullopt);
    EXPECT_EQ(dentistField(1)->text(), "Dott. Blu");
    EXPECT_EQ(first->text(), "");

    // Typing the blank name again saves the window's copy, including the row it kept.
    QTest::keyClicks(first, "A");
    EXPECT_EQ(store.dentist(1)->name, "A");
    EXPECT_EQ(store.dentist(2)->name, "Dott. Blu");

    // Dentists that cannot be read stay as last read; a save that cannot be made saves nothing, not
    // even the studio name, and says so.
    db.execute("DROP TABLE dentists");
    store.loadSettings();
    EXPECT_EQ(store.dentist(1)->name, "A");
    open(store);
    QTest::keyClicks(field("studioField"), "Studio");
    EXPECT_EQ(store.studioName(), "");
    ASSERT_TRUE(view->message().has_value());
    EXPECT_TRUE(view->message()->startsWith("Errore durante il salvataggio: ")) << view->message()->toStdString();
}

TEST_F(SettingsTest, BackupButtonReportsTheFileOrTheFailureAndRevealShowsTheDatabase)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("calvora.sqlite");
    Database fileDb(path);
    FileStore fileStore(fileDb);
    SettingsView& v = open(fileStore);
    EXPECT_EQ(field("databasePath")->text(), path);

    // The outcome shows under the button, on the archive's page.
    v.showPage(SettingsView::Page::Archive);
    auto* outcome = child<QLabel>(view.get(), "backupMessage");
    click("backupButton");
    EXPECT_TRUE(outcome->isVisible());
    EXPECT_EQ(outcome->text(), "Backup creato: calvora-2024-12-04_100000.sqlite");
    EXPECT_EQ(v.noteText(), autosaveNote);
    EXPECT_TRUE(QFile::exists(folder.filePath("Backup/calvora-2024-12-04_100000.sqlite")));

    // A file where the Backup folder should be makes the next backup fail.
    QDir(folder.filePath("Backup")).removeRecursively();
    TestSupport::writeFile(folder.filePath("Backup"), "not a folder");
    click("backupButton");
    EXPECT_TRUE(outcome->text().startsWith("Backup non riuscito: ")) << outcome->text().toStdString();

    QPushButton* reveal = child<QPushButton>(view.get(), "revealButton");
#if defined(Q_OS_MACOS)
    EXPECT_EQ(reveal->text(), "Mostra nel Finder");
#else
    EXPECT_EQ(reveal->text(), "Mostra nella cartella");
#endif
    QTest::mouseClick(reveal, Qt::LeftButton);
    EXPECT_EQ(revealed, QStringList{path});
}

TEST_F(SettingsTest, AnotherComputersChangesReachTheCopiesButNotTheFieldBeingTyped)
{
    QTemporaryDir folder;
    Database mine(folder.filePath("calvora.sqlite"));
    Database theirs(mine.path());
    FileStore shared(mine);
    open(shared);
    QLineEdit* first = dentistField(0);
    first->setFocus();
    QTest::keyClicks(first, " Rossi ");
    theirs.run("UPDATE dentists SET name = 'Dott. Bianchi', color = '#112233' WHERE id = 2");
    theirs.run("UPDATE settings SET value = 'Studio Sorriso' WHERE key = 'studio_name'");
    ASSERT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(first->text(), "Dentista 1 Rossi ");
    EXPECT_EQ(dentistField(1)->text(), "Dott. Bianchi");
    EXPECT_EQ(child<ColorWell>(view.get(), "dentistColor1")->color(), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(field("studioField")->text(), "Studio Sorriso");
    EXPECT_EQ(view->studioName(), "Studio Sorriso");
    EXPECT_EQ(shared.dentist(1)->name, "Dentista 1 Rossi");
}

TEST_F(SettingsTest, DentistsAreAddedRetiredBroughtBackAndReordered)
{
    open(store);
    click("addDentistButton");
    ASSERT_EQ(store.dentists().size(), 4);
    EXPECT_EQ(dentistField(3)->text(), "Dentista 4");

    // Retiring asks from which day; the appointments from that day on must go first, and a box lists
    // every one of them.
    QList<Appointment> future;
    for (int day = 9; day <= 13; ++day)
        future << book(2, QStringLiteral("2024-12-%1").arg(day, 2, 10, QChar(u'0')), 600, 30, QStringLiteral("Futuro %1").arg(day));
    future << book(2, "2024-12-13", 660, 30, "Ultimo");
    Dialogs::answerNextDate(QDate(2024, 12, 9));
    Dialogs::answerNext(QMessageBox::AcceptRole);
    click("dentistRetire1");
    const DialogRequest refusal = Dialogs::takeShown().value(1);
    EXPECT_EQ(refusal.message, QStringLiteral("Prima di ritirare Dentista 2 bisogna spostare o eliminare i suoi 6 "
                                              "appuntamenti dal 9 dicembre 2024."));
    EXPECT_EQ(refusal.lines.size(), future.size());
    EXPECT_EQ(refusal.lines.last(), QStringLiteral("ven 13 dic 2024 11:00 Ultimo – Dentista 2"));
    EXPECT_EQ(view->noteText(), autosaveNote);
    EXPECT_FALSE(store.dentist(2)->retiredFrom.isValid());
    for (const Appointment& a : std::as_const(future))
        store.deleteAppointment(a);
    Dialogs::answerNextDate(QDate(2024, 12, 9));
    click("dentistRetire1");
    EXPECT_EQ(store.dentist(2)->retiredFrom, QDate(2024, 12, 9));
    EXPECT_EQ(child<QPushButton>(view.get(), "dentistRetire1")->text(), "Riattiva");
    click("dentistRetire1");
    EXPECT_FALSE(store.dentist(2)->retiredFrom.isValid());

    QTest::mouseClick(child<QToolButton>(view.get(), "dentistLeft3"), Qt::LeftButton);
    EXPECT_EQ(store.dentists().value(2).name, "Dentista 4");
    EXPECT_EQ(dentistField(2)->text(), "Dentista 4");
    EXPECT_EQ(view->noteText(), autosaveNote);
}

TEST_F(SettingsTest, ClosedDaysAreAddedWithTheHolidaysAndRemoved)
{
    open(store);
    auto* list = child<QListWidget>(view.get(), "closedList");
    EXPECT_EQ(list->item(0)->text(), "Nessuna chiusura");
    child<QDateEdit>(view.get(), "closedFrom")->setDate(QDate(2025, 8, 1));
    child<QDateEdit>(view.get(), "closedTo")->setDate(QDate(2025, 8, 22));
    QTest::keyClicks(field("closedReason"), "Ferie estive");
    click("addClosedButton");
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("dall'1 ago al 22 ago 2025 · Ferie estive"));
    EXPECT_EQ(child<QPushButton>(view.get(), "holidaysButton")->text(), "Festività 2025");
    click("holidaysButton");
    EXPECT_EQ(store.closedPeriods().size(), 10); // the 2025 holidays on working days, and the summer
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("lun 21 apr 2025 · Lunedì dell'Angelo"));
    list->setCurrentRow(2);
    click("removeClosedButton");
    EXPECT_FALSE(store.closedPeriodOn(QDate(2025, 4, 21)));
    EXPECT_EQ(store.save({0, 1, "2025-08-05", 600, 30, "Anna", {}, {}, {}}),
              QStringLiteral("Lo studio è chiuso martedì 5 agosto 2025 (Ferie estive)."));
}

TEST_F(SettingsTest, TheArrowsMoveAColumnPastTheRetiredDentists)
{
    open(store);
    click("addDentistButton");
    for (const char* retire : {"dentistRetire0", "dentistRetire2"}) {
        Dialogs::answerNextDate(QDate(2024, 12, 4)); // no column from today on
        click(retire);
    }
    // Working: the second and the fourth; nothing lies left of the second nor right of the fourth.
    EXPECT_FALSE(arrow("dentistLeft1")->isEnabled());
    EXPECT_FALSE(arrow("dentistRight3")->isEnabled());
    EXPECT_TRUE(arrow("dentistRight0")->isEnabled());
    EXPECT_FALSE(arrow("dentistLeft0")->isEnabled());

    // One click swaps the two working columns; the retired ones stay where they were.
    QTest::mouseClick(arrow("dentistRight1"), Qt::LeftButton);
    EXPECT_EQ(dentistNames(), QStringList({"Dentista 1", "Dentista 4", "Dentista 3", "Dentista 2"}));
    QTest::mouseClick(arrow("dentistLeft3"), Qt::LeftButton);
    EXPECT_EQ(dentistNames(), QStringList({"Dentista 1", "Dentista 2", "Dentista 3", "Dentista 4"}));
    // A retired dentist's arrow takes it past the next working one, which is what it comes back beside.
    QTest::mouseClick(arrow("dentistRight0"), Qt::LeftButton);
    EXPECT_EQ(dentistNames(), QStringList({"Dentista 2", "Dentista 1", "Dentista 3", "Dentista 4"}));
    EXPECT_FALSE(arrow("dentistLeft0")->isEnabled());
    EXPECT_EQ(view->noteText(), autosaveNote);
}

TEST_F(SettingsTest, ClosingDaysThatHoldAppointmentsAsksFirstListingThem)
{
    open(store).showPage(SettingsView::Page::ClosedDays);
    book(1, "2024-12-23", 600, 30, "Anna Verdi");
    book(2, "2024-12-27", 540, 30, "Bruno Neri");
    book(1, "2024-12-30", 540, 30, "Dopo");
    child<QDateEdit>(view.get(), "closedFrom")->setDate(QDate(2024, 12, 23));
    child<QDateEdit>(view.get(), "closedTo")->setDate(QDate(2024, 12, 27));
    QLineEdit* reason = field("closedReason");
    QTest::keyClicks(reason, "Natale");

    // Return in the reason adds the closure, once the question is answered; cancelling saves nothing.
    Dialogs::answerNext(QMessageBox::RejectRole);
    QTest::keyClick(reason, Qt::Key_Return);
    const DialogRequest asked = Dialogs::takeShown().value(0);
    EXPECT_EQ(asked.lines, QStringList({QStringLiteral("lun 23 dic 2024 10:00 Anna Verdi – Dentista 1"),
                                        QStringLiteral("ven 27 dic 2024 09:00 Bruno Neri – Dentista 2")}));
    EXPECT_TRUE(store.closedPeriods().isEmpty());
    EXPECT_EQ(reason->text(), "Natale");

    QStringList listed;
    pressWhenShown("Aggiungi comunque", &listed);
    QTest::keyClick(reason, Qt::Key_Return);
    EXPECT_EQ(listed, asked.lines);
    EXPECT_EQ(Dialogs::takeShown().size(), 1);
    EXPECT_EQ(store.closedPeriods(), QList<ClosedPeriod>({{QDate(2024, 12, 23), QDate(2024, 12, 27), "Natale"}}));
    EXPECT_EQ(reason->text(), "");

    // A message about the input goes as soon as the input changes.
    auto* message = child<QLabel>(view.get(), "closedMessage");
    child<QDateEdit>(view.get(), "closedFrom")->setDate(QDate(2025, 1, 7));
    ASSERT_FALSE(store.addHolidays(2025));
    click("holidaysButton");
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), QStringLiteral("Le festività del 2025 sono già tra le chiusure."));
    child<QDateEdit>(view.get(), "closedFrom")->setDate(QDate(2026, 1, 7));
    EXPECT_FALSE(message->isVisible());
    EXPECT_FALSE(child<ClosedDaysSection>(view.get(), "closedDays")->message());
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
}

TEST_F(SettingsTest, OnePagePerSectionFitsTheWindowInsideTheScreenAndTheKeyboardFollowsIt)
{
    // With the server's page too: a line is saved nowhere, as nothing is pressed.
    ServerLineActions server;
    server.savedLine = [] { return QString(); };
    server.test = server.save = [](const QString&) { return ServerLineActions::Outcome{}; };
    server.remove = [] { return ServerLineActions::Outcome{}; };
    view = std::make_unique<SettingsView>(store, nullptr, server);
    expose(view.get());
    SettingsView& v = *view;
    EXPECT_TRUE(v.screen()->availableGeometry().contains(v.frameGeometry())) << v.frameGeometry().height();
    EXPECT_LT(v.minimumHeight(), v.maximumHeight());
    EXPECT_EQ(QApplication::focusWidget(), field("studioField"));

    auto* pageList = child<QListWidget>(view.get(), "pageList");
    ASSERT_EQ(v.pages().size(), 10);
    for (int i = 0; i < pageList->count(); ++i) {
        SCOPED_TRACE(pageList->item(i)->text().toStdString());
        v.showPage(v.pages()[i]);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused && focused->isVisible() && focused != pageList);
        for (const QScrollArea* page : view->findChildren<QScrollArea*>())
            EXPECT_FALSE(page->isVisible() && page->verticalScrollBar()->isVisible());
        EXPECT_EQ(TestSupport::namelessFocusableElements(view.get()), QStringList());
    }

    // Tab goes down the dentists' page, row by row, and from its end back to the list of pages.
    v.showPage(SettingsView::Page::Dentists);
    QStringList stops{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 16 && stops.last() != "pageList"; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(stops, QStringList({"dentistField0", "dentistColor0", "dentistRight0", "dentistRetire0",
                                  "dentistField1", "dentistColor1", "dentistLeft1", "dentistRight1", "dentistRetire1",
                                  "dentistField2", "dentistColor2", "dentistLeft2", "dentistRetire2",
                                  "addDentistButton", "pageList"}));

    // A column moved from the keyboard keeps the focus on its row, wherever the row goes.
    arrow("dentistRight0")->setFocus();
    QTest::keyClick(arrow("dentistRight0"), Qt::Key_Space);
    EXPECT_EQ(dentistNames(), QStringList({"Dentista 2", "Dentista 1", "Dentista 3"}));
    EXPECT_EQ(QApplication::focusWidget(), arrow("dentistRight1"));

    // Escape closes the window from any field that has no use for it, the close shortcut too.
    QTest::keyClick(dentistField(0), Qt::Key_Escape);
    EXPECT_FALSE(v.isVisible());
    expose(view.get());
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Close);
    EXPECT_FALSE(v.isVisible());
}

TEST_F(SettingsTest, TheRowsControlsSayWhoseTheyAreByTheNameAsTyped)
{
    open(store).showPage(SettingsView::Page::Dentists);
    auto* well = child<ColorWell>(view.get(), "dentistColor1");
    auto* retire = child<QPushButton>(view.get(), "dentistRetire1");
    EXPECT_EQ(well->accessibleName(), "Colore di Dentista 2");
    EXPECT_EQ(retire->accessibleName(), "Ritira Dentista 2");
    dentistField(1)->selectAll();
    QTest::keyClicks(dentistField(1), "Dott. Blu");
    EXPECT_EQ(well->accessibleName(), "Colore di Dott. Blu");
    EXPECT_EQ(arrow("dentistLeft1")->accessibleName(), "Sposta Dott. Blu a sinistra");
    EXPECT_EQ(dentistField(1)->accessibleName(), "Nome di Dentista 2");
}

TEST_F(SettingsTest, TheLastDayFollowsTheFirstWhenPassedOrWhenTheyMadeOneDay)
{
    open(store).showPage(SettingsView::Page::ClosedDays);
    auto* from = child<QDateEdit>(view.get(), "closedFrom");
    auto* to = child<QDateEdit>(view.get(), "closedTo");
    // Typed without selecting a part of the date first.
    from->setFocus();
    QTest::keyClicks(from, "14122024");
    EXPECT_EQ(to->date(), QDate(2024, 12, 14));
    QTest::keyClicks(from, "10");
    QTest::keyClick(from, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), to);
    EXPECT_EQ(to->date(), QDate(2024, 12, 10));
    click("addClosedButton");
    EXPECT_EQ(store.closedPeriods(), QList<ClosedPeriod>({{QDate(2024, 12, 10), QDate(2024, 12, 10), {}}}));

    // A period stays a period when its first day moves within it.
    to->setFocus();
    QTest::keyClicks(to, "20122024");
    QTest::keyClicks(from, "16");
    QTest::keyClick(from, Qt::Key_Return);
    EXPECT_EQ(to->date(), QDate(2024, 12, 20));
    from->setFocus();
    QTest::keyClicks(from, "23122024");
    EXPECT_EQ(to->date(), QDate(2024, 12, 23));
}

} // namespace

TEST_F(SettingsTest, RetentionIsOffUntilTurnedOnAfterTheQuestionThenAnonymisesWhatIsOlder)
{
    db.execute("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone) "
               "VALUES (1, '2013-05-06', 600, 30, 'Carlo Blu', '333 1')");
    const Appointment recent = book(1, "2024-12-05", 600, 30, "Dario Neri");
    SettingsView& v = open(store);
    v.showPage(SettingsView::Page::Archive);
    auto* box = child<QCheckBox>(view.get(), "retention");
    auto* years = child<QSpinBox>(view.get(), "retentionYears");
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(years->isEnabled());
    const auto oldPatient = [&] { return store.fetchAppointments("2013-01-01", "2013-12-31").value(0).patient; };

    Dialogs::answerNext(QMessageBox::RejectRole);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(Dialogs::takeShown().value(0).title, "Anonimizzare gli appuntamenti più vecchi di 10 anni?");
    EXPECT_FALSE(box->isChecked()) << "refused: stays off";
    EXPECT_EQ(store.retentionYears(), std::nullopt);
    EXPECT_EQ(oldPatient(), "Carlo Blu");

    Dialogs::answerNext(QMessageBox::DestructiveRole);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(store.retentionYears(), 10);
    EXPECT_TRUE(years->isEnabled());
    EXPECT_EQ(oldPatient(), "Paziente anonimizzato");
    EXPECT_EQ(store.storedAppointment(recent.id)->patient, "Dario Neri");

    (void)Dialogs::takeShown();
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(Dialogs::takeShown().isEmpty()) << "turning it off asks nothing";
    EXPECT_EQ(store.retentionYears(), std::nullopt);
}

// The second place is chosen through the folder dialog; each backup of the button arrives there checked.
TEST_F(SettingsTest, BackupsReachTheChosenSecondPlaceAndNessunaStopsThem)
{
    QTemporaryDir folder;
    Database fileDb(folder.filePath("calvora.sqlite"));
    FileStore fileStore(fileDb);
    fileStore.setSecondPlace(std::make_unique<SecondPlace>(
        std::make_unique<QSettings>(folder.filePath("locale.ini"), QSettings::IniFormat), fileDb.path(),
        &Backup::copyChecked));
    const QString drive = folder.filePath("Disco");
    QDir().mkpath(drive);
    SettingsView& v = open(fileStore);
    v.showPage(SettingsView::Page::Archive);
    EXPECT_EQ(field("secondPlaceFolder")->text(), "");
    Dialogs::answerNextPath(drive);
    click("chooseSecondPlace");
    EXPECT_EQ(field("secondPlaceFolder")->text(), drive);
    auto* lastCopy = child<QLabel>(view.get(), "secondPlaceLastCopy");
    EXPECT_EQ(lastCopy->text(), "Nessuna copia è ancora arrivata in questa cartella.");

    click("backupButton");
    QTRY_VERIFY_WITH_TIMEOUT(!fileStore.secondPlace()->busy(), 10000);
    EXPECT_EQ(QDir(drive).entryList(QDir::Files), QStringList{"calvora-2024-12-04_100000.sqlite"});
    EXPECT_TRUE(lastCopy->text().startsWith("Ultima copia arrivata: ")) << lastCopy->text().toStdString();
    EXPECT_EQ(child<QLabel>(view.get(), "secondPlaceMessage")->text(),
              "Copia verificata in " + drive + "/calvora-2024-12-04_100000.sqlite");

    click("clearSecondPlace");
    EXPECT_EQ(field("secondPlaceFolder")->text(), "");
    EXPECT_EQ(fileStore.secondPlace()->folder(), "");
}
