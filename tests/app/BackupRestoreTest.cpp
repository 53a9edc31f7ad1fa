// "Ripristina da backup…": the list of both places, the read-only look, copies back and the whole restore.
#include "AppPaths.h"
#include "Backup.h"
#include "BackupList.h"
#include "RestoredCopy.h"
#include "BackupListWindow.h"
#include "BackupLook.h"
#include "BackupRestore.h"
#include "CalvoraApp.h"
#include "CalvoraCommands.h"
#include "CalvoraView.h"
#include "Database.h"
#include "DentistColumn.h"
#include "Dialogs.h"
#include "FileStore.h"
#include "GridGeometry.h"
#include "RecoveryKey.h"
#include "ScheduleGrid.h"
#include "SealedFile.h"
#include "TestSupport.h"
#include "WarningLine.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QMouseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString monday = QStringLiteral("2026-03-09");
const QString tuesday = QStringLiteral("2026-03-10");

Appointment at(const QString& day, int start, const QString& patient, qint64 dentist = 1)
{
    return Appointment{0, dentist, day, start, 30, patient, QStringLiteral("333 1234567"), QStringLiteral("Igiene"), {}};
}

// A practice's data folder with a day's backup (two appointments) and, after a third one, an on-demand
// backup at 17:45; a copies folder with the day's backup plain and the other encrypted.
struct Practice {
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 8, 0)};
    QTemporaryDir data;
    QTemporaryDir copies;
    RecoveryKey::Pair key = RecoveryKey::create();
    QString daily;
    QString onDemand;

    Practice()
    {
        Database db(data.filePath("calvora.sqlite"));
        FileStore store(db);
        EXPECT_FALSE(store.save(at(tuesday, 600, "Anna Verdi")));
        EXPECT_FALSE(store.save(at(tuesday, 660, "Bruno Gallo")));
        Backup::dailyIfNeeded(db);
        daily = Backup::dailyPath(data.filePath("Backup"));
        EXPECT_FALSE(store.save(at(monday, 900, "Carla Neri")));
        clock.set(TestSupport::at(2026, 3, 9, 17, 45, 2));
        onDemand = Backup::now(db);
        Backup::copyChecked(daily, copies.path());
        SealedFile::seal(onDemand, copies.filePath(QFileInfo(onDemand).fileName() + Backup::encryptedSuffix),
                         key.publicKey);
        TestSupport::writeFile(copies.filePath("calvora-danneggiato-2026-03-01_101010.sqlite"), "x");
        TestSupport::writeFile(copies.filePath("note.txt"), "x");
    }
};

QStringList rowTexts(const QTreeWidget* list, int row)
{
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts.append(list->topLevelItem(row)->text(c));
    return texts;
}

BackupChoice choiceOf(const QString& path, BackupChoice::Place place)
{
    const Backup::Found found = *Backup::named(path, Backup::isEncrypted(path) ? Backup::encryptedSuffix : QString());
    return BackupChoice{path, place, found.day, found.time, Backup::isEncrypted(path)};
}

QList<Appointment> agendaOf(Store& store, const QString& day)
{
    return store.fetchAppointments(day, day);
}

} // namespace

TEST(BackupList, bothPlacesNewestFirstWithTheirCountsAndALineForAMissingFolder)
{
    Practice p;
    const QList<BackupChoice> choices = BackupRestore::choices(p.data.path(), p.copies.path());
    BackupListWindow window(choices, BackupRestore::placeNote(p.copies.path()), &RestoredCopy::appointmentCount);
    ASSERT_TRUE(TestSupport::eventually([&] { return window.counted(); }));
    ASSERT_EQ(window.list()->topLevelItemCount(), 4);
    EXPECT_EQ(rowTexts(window.list(), 0),
              QStringList({"Questo computer", "lunedì 9 marzo 2026", "17:45", "3"}));
    EXPECT_EQ(rowTexts(window.list(), 1),
              QStringList({"Cartella delle copie", "lunedì 9 marzo 2026", "17:45", "cifrata"}));
    EXPECT_EQ(rowTexts(window.list(), 2),
              QStringList({"Questo computer", "lunedì 9 marzo 2026", "copia del giorno", "2"}));
    EXPECT_EQ(rowTexts(window.list(), 3),
              QStringList({"Cartella delle copie", "lunedì 9 marzo 2026", "copia del giorno", "2"}));
    EXPECT_TRUE(window.placeNote()->isHidden());

    // Choosing a row hands it over.
    std::optional<BackupChoice> picked;
    QObject::connect(&window, &BackupListWindow::chosen, [&](const BackupChoice& b) { picked = b; });
    window.list()->setCurrentItem(window.list()->topLevelItem(2));
    window.openButton()->click();
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->path, p.daily);

    // A drive unplugged, or no folder chosen: one line, and this computer's backups alone.
    const QString unplugged = p.copies.filePath("scollegato");
    EXPECT_TRUE(BackupRestore::placeNote(unplugged).contains(unplugged));
    EXPECT_FALSE(BackupRestore::placeNote(QString()).isEmpty());
    EXPECT_EQ(BackupRestore::choices(p.data.path(), unplugged).size(), 2);
}

TEST(BackupLook, showsTheBackupAndRefusesEveryChange)
{
    Practice p;
    const QByteArray before = TestSupport::fileDigest(p.onDemand);
    QTemporaryDir today;
    Database db(today.filePath("calvora.sqlite"));
    FileStore agenda(db);
    BackupRestore backups(agenda, p.data.path(), {});

    BackupLook* look = backups.open(choiceOf(p.onDemand, BackupChoice::Place::ThisComputer), nullptr);
    ASSERT_TRUE(look);
    CalvoraView* window = look->window();
    EXPECT_EQ(window->windowTitle(), "Copia di backup di lunedì 9 marzo 2026 alle 17:45 \u2013 sola lettura");
    EXPECT_EQ(window->copyNotice()->text(), window->windowTitle());
    EXPECT_EQ(window->countText(), "3 appuntamenti");
    EXPECT_FALSE(window->commands()->newAppointmentAction()->isVisible());
    EXPECT_FALSE(window->commands()->settingsAction()->isEnabled());

    // A click on a free slot opens no editor; a click on an appointment neither.
    window->resize(CalvoraView::preferredSize);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    DentistColumn* column = window->grid()->column(1, 0); // Tuesday, first dentist
    ASSERT_TRUE(column);
    const int lastSlotY = column->height() - 4;
    QTest::mouseClick(column, Qt::LeftButton, {}, QPoint(column->width() / 2, lastSlotY));
    QApplication::processEvents();
    EXPECT_EQ(window->grid()->keyboardCursor().day(), QDate(2026, 3, 10)); // the click reached the grid
    EXPECT_FALSE(look->copy().editing());
    EXPECT_FALSE(window->editor());
    // Nor does a block start a drag.
    ASSERT_FALSE(column->blocks().empty());
    const QPoint grab = column->blocks().front().rect().center().toPoint();
    QTest::mousePress(column, Qt::LeftButton, {}, grab);
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(0, 3 * QApplication::startDragDistance()),
                     column->mapToGlobal(grab), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(column, &move);
    EXPECT_FALSE(column->findChild<QDrag*>());
    QTest::mouseRelease(column, Qt::LeftButton, {}, grab);
    QApplication::processEvents();
    EXPECT_FALSE(look->copy().editing());

    // What reaches the store anyway is refused, and nothing reaches the backup.
    const Appointment anna = agendaOf(look->copy(), tuesday).value(0);
    ASSERT_EQ(anna.patient, "Anna Verdi");
    EXPECT_EQ(look->copy().save(at(tuesday, 720, "Dario Rossi")), Store::readOnlyText());
    EXPECT_FALSE(look->copy().move(anna.id, QDate(2026, 3, 10), 1, 780));
    EXPECT_EQ(look->copy().setStatus(anna.id, AppointmentStatus::Confirmed), Store::readOnlyText());
    look->copy().setPendingDelete(anna);
    EXPECT_FALSE(look->copy().pendingDelete());
    EXPECT_EQ(agendaOf(look->copy(), tuesday).size(), 2);
    EXPECT_FALSE(look->copy().search("Anna").isEmpty());
    window->close();
    EXPECT_EQ(TestSupport::fileDigest(p.onDemand), before);

    // An encrypted copy opens with the recovery key alone; a mistyped or another key says so.
    const BackupChoice sealed = choiceOf(p.copies.filePath(QFileInfo(p.onDemand).fileName() + ".cifrato"),
                                         BackupChoice::Place::CopiesFolder);
    (void)Dialogs::takeShown();
    Dialogs::answerNextText(QStringLiteral("parole a caso"));
    Dialogs::answerNext(QMessageBox::AcceptRole);
    EXPECT_FALSE(backups.open(sealed, nullptr));
    Dialogs::answerNextText(RecoveryKey::words(RecoveryKey::create().secretKey).join(' '));
    Dialogs::answerNext(QMessageBox::AcceptRole);
    EXPECT_FALSE(backups.open(sealed, nullptr));
    const QList<DialogRequest> shown = Dialogs::takeShown();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[1].title, "Le parole non formano la chiave di ripristino");
    EXPECT_TRUE(shown[3].message.contains("non è quella con cui è stata cifrata")) << shown[3].message.toStdString();
    Dialogs::answerNextText(RecoveryKey::words(p.key.secretKey).join("  ").toUpper());
    BackupLook* opened = backups.open(sealed, nullptr);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->window()->countText(), "3 appuntamenti");

    // A backup of an earlier version is upgraded in the working copy only.
    const QString older = p.data.filePath("Backup/calvora-2026-03-02.sqlite");
    {
        Database earlier(older);
        earlier.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) "
                    "VALUES (1, '2026-03-03', 600, 30, 'Franco Sala')");
        earlier.execute("DROP TABLE activity_log; PRAGMA user_version = 2");
    }
    const QByteArray olderBytes = TestSupport::fileDigest(older);
    BackupLook* upgraded = backups.open(choiceOf(older, BackupChoice::Place::ThisComputer), nullptr);
    ASSERT_TRUE(upgraded);
    EXPECT_EQ(agendaOf(upgraded->copy(), "2026-03-03").value(0).patient, "Franco Sala");
    EXPECT_EQ(Database::fileVersion(older), 2);
    EXPECT_EQ(TestSupport::fileDigest(older), olderBytes);
}

TEST(BackupLook, copiesAnAppointmentAndADayIntoTodaysAgendaThroughTheRules)
{
    Practice p;
    QTemporaryDir today;
    Database db(today.filePath("calvora.sqlite"));
    FileStore agenda(db);
    ASSERT_FALSE(agenda.save(at(tuesday, 660, "Elena Riva"))); // where Bruno Gallo was
    BackupRestore backups(agenda, p.data.path(), {});
    BackupLook* look = backups.open(choiceOf(p.daily, BackupChoice::Place::ThisComputer), nullptr);
    ASSERT_TRUE(look);
    const QList<Appointment> backupDay = agendaOf(look->copy(), tuesday);
    ASSERT_EQ(backupDay.size(), 2);

    look->window()->show();
    look->window()->grid()->reveal(backupDay[0]);
    ASSERT_EQ(look->selected(), backupDay[0]);
    (void)Dialogs::takeShown();
    look->copySelected();
    QList<Appointment> now = agendaOf(agenda, tuesday);
    ASSERT_EQ(now.size(), 2);
    EXPECT_EQ(now[0].patient, "Anna Verdi");
    EXPECT_EQ(Dialogs::takeShown().value(0).title, "1 appuntamento copiato nell'agenda");
    // Undone like a booking.
    ASSERT_TRUE(agenda.canUndo());
    agenda.undo();
    EXPECT_EQ(agendaOf(agenda, tuesday).size(), 1);

    // The day: Anna comes back, Bruno's time is taken and the refusal says so.
    look->copyDay();
    now = agendaOf(agenda, tuesday);
    ASSERT_EQ(now.size(), 2);
    EXPECT_EQ(now[0].patient, "Anna Verdi");
    EXPECT_EQ(now[1].patient, "Elena Riva");
    const DialogRequest told = Dialogs::takeShown().value(0);
    EXPECT_EQ(told.title, "1 appuntamento copiato nell'agenda");
    ASSERT_EQ(told.lines.size(), 1);
    EXPECT_TRUE(told.lines[0].contains("Bruno Gallo")) << told.lines[0].toStdString();

    // The log tells which backup they came from.
    LogFilter filter;
    filter.action = QStringLiteral("from-backup");
    const QList<ActivityEntry> logged = agenda.activityPage(filter, 50).value_or(QList<ActivityEntry>());
    qsizetype agendaEntries = 0;
    for (const ActivityEntry& e : logged)
        if (e.target == "agenda") {
            ++agendaEntries;
            EXPECT_TRUE(e.details.contains(QFileInfo(p.daily).fileName()));
        }
    EXPECT_EQ(agendaEntries, 2);
    EXPECT_GE(logged.size() - agendaEntries, 2);
}

TEST(WholeRestore, theFileIsKeptAsideTheBackupTakesItsPlaceAndLaterAnonymisationsStay)
{
    static Practice p; // the process-wide archive lives as long as the process
    AppPaths::setOverrideDataFolder(p.data.path());
    p.clock.set(TestSupport::at(2026, 3, 9, 18, 30));
    CalvoraApp shell;
    ASSERT_FALSE(shell.store().save(at(tuesday, 720, "Dario Rossi")));
    ASSERT_FALSE(shell.store().anonymisePatient("Anna Verdi", {}));

    shell.agendaWindow().show();
    shell.agendaWindow().commands()->restoreAction()->trigger(); // File › Ripristina da backup…
    ASSERT_TRUE(shell.backups());
    BackupLook* look = shell.backups()->open(choiceOf(p.daily, BackupChoice::Place::ThisComputer), nullptr);
    ASSERT_TRUE(look);
    Dialogs::answerNext(QMessageBox::DestructiveRole);
    look->restoreAll();
    ASSERT_TRUE(TestSupport::eventually([&] { return !shell.backups(); }));

    const QList<Appointment> restored = agendaOf(shell.store(), tuesday);
    ASSERT_EQ(restored.size(), 2);
    EXPECT_NE(restored[0].patient, "Anna Verdi");
    EXPECT_EQ(restored[1].patient, "Bruno Gallo");
    EXPECT_TRUE(agendaOf(shell.store(), monday).isEmpty());

    const QStringList aside = QDir(p.data.path()).entryList({"calvora-prima-del-ripristino-2026-03-09_183000*.sqlite"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(RestoredCopy::appointmentCount(p.data.filePath(aside[0])), 4);

    LogFilter filter;
    filter.action = QStringLiteral("restore");
    const QList<ActivityEntry> logged = shell.store().activityPage(filter, 5).value_or(QList<ActivityEntry>());
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].details.contains(QFileInfo(p.daily).fileName()));
    EXPECT_TRUE(logged[0].details.contains(aside[0]));
    EXPECT_TRUE(TestSupport::eventually([&] { return shell.store().alertMessage().has_value(); }));
    EXPECT_TRUE(shell.store().alertMessage()->contains(aside[0]));
    AppPaths::setOverrideDataFolder(std::nullopt);
}
