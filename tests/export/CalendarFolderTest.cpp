#include "CalendarExport.h"
#include "CalendarFolder.h"
#include "ExportFixture.h"

#include <QDir>

using CalendarFolderTest = ExportTest;

namespace {

QStringList summaries(const QByteArray& bytes)
{
    QStringList list;
    for (const ParsedEvent& e : ParsedCalendar::of(bytes).events)
        list << e.summary;
    return list;
}

} // namespace

TEST_F(CalendarFolderTest, followsChangesHereAndOnAnotherComputerWithoutRewritingWhatHolds)
{
    const QString folder = dir.filePath("Calendari");
    ASSERT_TRUE(QDir().mkpath(folder));
    QList<Dentist> dentists = store->dentists();
    dentists[1].name = "Dott.ssa Neri/Bassi";
    ASSERT_FALSE(store->saveSettings({}, dentists));
    ASSERT_FALSE(store->setCalendarFolder(folder));
    CalendarFolder keeper(*store, 10);
    const QString first = folder + "/Dentista 1.ics";
    const QString second = folder + "/Dott.ssa Neri-Bassi.ics";
    const auto holds = [](const QString& path, const QStringList& expected) {
        return TestSupport::eventually([&] { return summaries(read(path)) == expected; });
    };

    const Appointment anna = book(*store, 1, {2026, 3, 5}, 9 * 60, 30, "Anna Verdi", "Igiene orale");
    book(*store, 1, {2026, 4, 24}, 9 * 60, 30, "Ultima Settimana"); // the eighth week, from this Monday
    book(*store, 1, {2026, 4, 27}, 9 * 60, 30, "Troppo Avanti");
    EXPECT_TRUE(holds(first, {"Anna Verdi – Igiene orale", "Ultima Settimana"}));
    EXPECT_TRUE(holds(second, {}));

    // Another computer books on the same agenda; this one sees it at its next look.
    Database otherDb(db->path());
    FileStore other(otherDb);
    book(other, 2, {2026, 3, 6}, 10 * 60, 15, "Luca Neri");
    ASSERT_TRUE(store->refreshIfChangedElsewhere());
    EXPECT_TRUE(holds(second, {"Luca Neri"}));

    ASSERT_TRUE(store->move(anna.id, {2026, 3, 6}, 2, 11 * 60));
    EXPECT_TRUE(holds(first, {"Ultima Settimana"}));
    EXPECT_TRUE(holds(second, {"Luca Neri", "Anna Verdi – Igiene orale"}));

    // The other computer, later, keeps the same folder: it finds the files as they should be and
    // leaves them alone, so the two never take turns rewriting them.
    const QByteArray before = read(first) + read(second);
    clock.set(TestSupport::at(2026, 3, 4, 17, 30));
    CalendarFolder otherKeeper(other, 10);
    otherKeeper.updateNow();
    EXPECT_EQ(read(first) + read(second), before);
    // The next day the weeks move on: the files change, whoever writes them.
    clock.set(TestSupport::at(2026, 3, 9, 8, 0));
    otherKeeper.updateNow();
    EXPECT_EQ(summaries(read(first)), QStringList({"Ultima Settimana", "Troppo Avanti"}));
}

TEST_F(CalendarFolderTest, removesItsOwnCalendarsOfRenamedAndRetiredDentistsAndNothingElse)
{
    const QString folder = dir.filePath("Calendari");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_FALSE(store->setCalendarFolder(folder));
    CalendarFolder keeper(*store, 10);
    keeper.updateNow();
    // Beside the dentists' calendars: an export and an invite of this agenda, another agenda's kept
    // calendar and files of other programs.
    book(*store, 1, {2026, 3, 5}, 9 * 60, 30, "Anna Verdi");
    ASSERT_FALSE(CalendarExport::exportDays(*store, {2026, 3, 2}, {2026, 3, 6}, folder + "/Settimana.ics"));
    ASSERT_FALSE(CalendarExport::saveInvite(*store, store->fetchAppointments("2026-03-05", "2026-03-05").first(),
                                            folder + "/Invito.ics"));
    ICalendar::Calendar foreign{"Dentista 9", {}, "altra-agenda"};
    ASSERT_FALSE(CalendarExport::save(folder + "/Dentista 9.ics", ICalendar::write(foreign, Clock::now())));
    ASSERT_FALSE(CalendarExport::save(folder + "/Ferie.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Altro//IT"
                                                             "\r\nEND:VCALENDAR\r\n"));
    ASSERT_FALSE(CalendarExport::save(folder + "/Leggimi.txt", "Dentista 1"));

    QList<Dentist> dentists = store->dentists();
    dentists[1].name = "Dott.ssa Bassi";
    ASSERT_FALSE(store->saveSettings({}, dentists));
    ASSERT_FALSE(store->retireDentist(3, {2026, 3, 9}));
    keeper.updateNow();
    const QStringList others{"Dentista 9.ics", "Ferie.ics", "Invito.ics", "Leggimi.txt", "Settimana.ics"};
    const auto files = [&folder] {
        QStringList names = QDir(folder).entryList(QDir::Files);
        names.sort();
        return names;
    };
    const auto besideOthers = [&others](QStringList kept) {
        kept += others;
        kept.sort();
        return kept;
    };
    EXPECT_EQ(files(), besideOthers({"Dentista 1.ics", "Dentista 3.ics", "Dott.ssa Bassi.ics"}));
    // The next week the retired dentist works no more.
    clock.set(TestSupport::at(2026, 3, 9, 8, 0));
    keeper.updateNow();
    EXPECT_EQ(files(), besideOthers({"Dentista 1.ics", "Dott.ssa Bassi.ics"}));
}

TEST_F(CalendarFolderTest, aFailedWriteIsToldUntilALaterOneSucceeds)
{
    const QString folder = dir.filePath("Calendari");
    ASSERT_TRUE(QDir().mkpath(folder));
    // A computer that never reached the folder leaves it to the others without a word.
    ASSERT_FALSE(store->setCalendarFolder(folder + "/altrove"));
    CalendarFolder keeper(*store, 10);
    keeper.updateNow();
    EXPECT_EQ(store->calendarFolderFailure(), std::nullopt);

    ASSERT_FALSE(store->setCalendarFolder(folder));
    // A folder in the place of a dentist's file: it cannot be written whoever runs the program.
    ASSERT_TRUE(QDir().mkpath(folder + "/Dentista 2.ics"));
    keeper.updateNow();
    EXPECT_TRUE(store->calendarFolderFailure().value_or("").startsWith(
        "I calendari dei dentisti non sono aggiornati: impossibile scrivere "
        + QDir::toNativeSeparators(folder + "/Dentista 2.ics")));
    EXPECT_TRUE(QFile::exists(folder + "/Dentista 3.ics")) << "the others are still written";
    ASSERT_TRUE(QDir(folder + "/Dentista 2.ics").removeRecursively());
    keeper.updateNow();
    EXPECT_EQ(store->calendarFolderFailure(), std::nullopt);

    // The folder goes away from the computer that kept it.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    keeper.updateNow();
    EXPECT_EQ(store->calendarFolderFailure(),
              "I calendari dei dentisti non sono aggiornati: la cartella " + QDir::toNativeSeparators(folder)
                  + " non è raggiungibile. Si riprova alla prossima modifica.");
    ASSERT_TRUE(QDir().mkpath(folder));
    keeper.updateNow();
    EXPECT_EQ(store->calendarFolderFailure(), std::nullopt);
    EXPECT_TRUE(QFile::exists(folder + "/Dentista 1.ics"));
}
