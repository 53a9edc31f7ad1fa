#include "AppointmentEditor.h"
#include "CalendarFolderSection.h"
#include "PanelFixture.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using CalendarPanelsTest = PanelTest;

TEST_F(CalendarPanelsTest, editorSavesTheInviteAsShownWithoutPhoneOrNotes)
{
    QTemporaryDir dir;
    Appointment a{0, 2, "2024-12-06", 15 * 60, 30, "Anna Verdi", "333 7654321", "Controllo", "Diabetica, ansiosa"};
    ASSERT_EQ(store.save(a), std::nullopt);
    a.id = scalar("SELECT MAX(id) FROM appointments");
    store.setEditing(a);
    AppointmentEditor editor(store, a, nullptr);
    expose(&editor);
    auto* invite = child<QPushButton>(&editor, "inviteButton");
    ASSERT_TRUE(invite->isVisible());
    // An hour later on the sheet, not saved yet: the invite says what the patient is told.
    auto* start = editor.findChildren<QComboBox*>().value(0);
    for (QComboBox* box : editor.findChildren<QComboBox*>())
        if (box->findText("16:00") >= 0)
            start = box;
    start->setCurrentIndex(start->findText("16:00"));

    Dialogs::answerNextPath(std::nullopt);
    invite->click();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    Dialogs::answerNextPath(dir.filePath("invito"));
    invite->click();
    QFile file(dir.filePath("invito.ics"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("SUMMARY:Anna Verdi – Controllo\r\n"));
    EXPECT_TRUE(bytes.contains("DTSTART;TZID=Europe/Rome:20241206T160000\r\n"));
    EXPECT_FALSE(bytes.contains("7654321"));
    EXPECT_FALSE(bytes.contains("Diabetica"));
    EXPECT_EQ(bytes.count("BEGIN:VEVENT"), 1);

    // A booking not stored yet has no invite.
    store.newAppointment(QDate(2024, 12, 4), 1, 600);
    AppointmentEditor fresh(store, *store.editing(), nullptr);
    expose(&fresh);
    EXPECT_FALSE(child<QPushButton>(&fresh, "inviteButton")->isVisible());
}

TEST_F(CalendarPanelsTest, calendarPageSetsAndClearsThePracticesFolder)
{
    QTemporaryDir dir;
    CalendarFolderSection section(store);
    expose(&section);
    Dialogs::answerNextPath(dir.path());
    child<QPushButton>(&section, "chooseCalendarFolder")->click();
    EXPECT_EQ(store.calendarFolder(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(section.folderText(), store.calendarFolder());

    Dialogs::answerNextPath(std::nullopt);
    child<QPushButton>(&section, "chooseCalendarFolder")->click();
    EXPECT_EQ(store.calendarFolder(), QDir::toNativeSeparators(dir.path()));

    child<QPushButton>(&section, "clearCalendarFolder")->click();
    EXPECT_EQ(store.calendarFolder(), "");
    EXPECT_EQ(section.folderText(), "");
    EXPECT_FALSE(child<QPushButton>(&section, "clearCalendarFolder")->isEnabled());
}

TEST_F(CalendarPanelsTest, calendarPageFollowsAnotherComputerAndTellsAFailedWrite)
{
    QTemporaryDir dir;
    Database mine(dir.filePath("calvora.sqlite"));
    Database theirs(mine.path());
    FileStore shared(mine);
    FileStore other(theirs);
    CalendarFolderSection section(shared);
    expose(&section);
    Dialogs::answerNextPath(dir.filePath("Qui"));
    child<QPushButton>(&section, "chooseCalendarFolder")->click();
    ASSERT_FALSE(section.messageText().isEmpty());

    ASSERT_FALSE(other.setCalendarFolder(dir.filePath("Altrove")));
    ASSERT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(section.folderText(), dir.filePath("Altrove"));
    EXPECT_EQ(section.messageText(), "") << "the outcome of the choice made here no longer holds";
    EXPECT_TRUE(child<QPushButton>(&section, "clearCalendarFolder")->isEnabled());

    EXPECT_TRUE(child<QLabel>(&section, "calendarFailure")->isHidden());
    shared.setCalendarFolderFailure("I calendari dei dentisti non sono aggiornati: disco pieno.");
    EXPECT_TRUE(child<QLabel>(&section, "calendarFailure")->isVisible());
    EXPECT_EQ(section.failureText(), "I calendari dei dentisti non sono aggiornati: disco pieno.");
    shared.setCalendarFolderFailure(std::nullopt);
    EXPECT_TRUE(child<QLabel>(&section, "calendarFailure")->isHidden());
}
