#include "CalendarExport.h"
#include "ExportFixture.h"

#include <QProcess>
#include <QStringDecoder>

namespace {

const QDate monday(2026, 3, 2);
const QDate friday(2026, 3, 6);

} // namespace

using CalendarFile = ExportTest;

TEST_F(CalendarFile, readsBackEveryLiveAppointmentWithUidsStableAcrossExportsAndAgendas)
{
    ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
    const Appointment anna =
        book(*store, 1, monday, 9 * 60, 30, "Anna Verdi", "Igiene orale", "333 1234567", "Allergica al lattice");
    book(*store, 2, monday.addDays(1), 10 * 60, 45, "Luca Neri");
    const Appointment gone = book(*store, 1, monday.addDays(2), 11 * 60, 15, "Carla Bruni");
    book(*store, 1, friday.addDays(3), 9 * 60, 15, "Fuori Intervallo");
    ASSERT_FALSE(store->cancel(gone, CancelledBy::Patient));

    const QString first = dir.filePath("settimana.ics");
    ASSERT_FALSE(CalendarExport::exportDays(*store, monday, friday, first));
    const ParsedCalendar parsed = ParsedCalendar::of(read(first));
    ASSERT_TRUE(parsed.parsed);
    EXPECT_EQ(parsed.errors, 0);
    ASSERT_EQ(parsed.events.size(), 2);
    const ParsedEvent& a = parsed.events[0];
    EXPECT_EQ(a.summary, "Anna Verdi – Igiene orale");
    EXPECT_EQ(a.category, "Dentista 1");
    EXPECT_EQ(a.location, "Studio Sorriso");
    EXPECT_EQ(a.description, "Telefono: 333 1234567\nAllergica al lattice");
    EXPECT_EQ(a.endUtc - a.startUtc, 30 * 60);
    EXPECT_EQ(parsed.events[1].summary, "Luca Neri");
    EXPECT_EQ(parsed.events[1].category, "Dentista 2");

    // Another export, later and of more days, names the same appointments the same way.
    clock.set(TestSupport::at(2026, 3, 20, 18, 0));
    const QString second = dir.filePath("mese.ics");
    ASSERT_FALSE(CalendarExport::exportDays(*store, monday, friday.addDays(20), second));
    const QStringList again = ParsedCalendar::of(read(second)).uids();
    EXPECT_EQ(again.mid(0, 2), parsed.uids());
    EXPECT_NE(parsed.uids()[0], parsed.uids()[1]);

    // Another agenda whose appointment has the same id is another event.
    QTemporaryDir otherDir;
    Database otherDb(otherDir.filePath("calvora.sqlite"));
    FileStore other(otherDb);
    const Appointment twin = book(other, 1, monday, 9 * 60, 30, "Anna Verdi", "Igiene orale");
    ASSERT_EQ(twin.id, anna.id);
    ASSERT_FALSE(CalendarExport::exportDays(other, monday, friday, dir.filePath("altro.ics")));
    EXPECT_NE(ParsedCalendar::of(read(dir.filePath("altro.ics"))).uids().value(0), a.uid);
}

TEST_F(CalendarFile, keepsAwkwardTextsWholeInFoldedCrlfLines)
{
    QList<Dentist> dentists = store->dentists();
    dentists[0].name = "Dott. Àlvaro Bianchi, chirurgo; studio \\ primo piano";
    ASSERT_FALSE(store->saveSettings("Studio «Più Sorrisi», Via Roma 1", dentists));
    // Names of many multi-byte characters from three offsets: some fold falls inside a character.
    const QString euros = QString(60, QChar(0x20AC));
    const QString notes = "Riga uno; due, tre\nRiga quattro\r\nRiga cinque \\ fine";
    QStringList patients{"Rossi; Bianchi, Maria Nicolò", "A" + euros, "AB" + euros, "ÈÉ" + euros + "ç"};
    for (int i = 0; i < patients.size(); ++i)
        book(*store, 1, monday, 9 * 60 + 15 * i, 15, patients[i], "Ricostruzione è più lunga del previsto, già",
             "+39 347-1234567", notes);

    const QString path = dir.filePath("strani.ics");
    ASSERT_FALSE(CalendarExport::exportDays(*store, monday, monday, path));
    const QByteArray bytes = read(path);
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("END:VCALENDAR\r\n"));
    for (const QByteArray& line : bytes.split('\n')) {
        EXPECT_LE(line.size(), 76) << line.toStdString(); // 75 octets and the CR
        QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(strict(line));
        EXPECT_FALSE(strict.hasError()) << "a character cut in two: " << line.toStdString();
    }

    const ParsedCalendar parsed = ParsedCalendar::of(bytes);
    EXPECT_EQ(parsed.errors, 0);
    ASSERT_EQ(parsed.events.size(), patients.size());
    for (int i = 0; i < patients.size(); ++i) {
        EXPECT_EQ(parsed.events[i].summary, patients[i] + " – Ricostruzione è più lunga del previsto, già");
        EXPECT_EQ(parsed.events[i].category, dentists[0].name);
        EXPECT_EQ(parsed.events[i].location, "Studio «Più Sorrisi», Via Roma 1");
        EXPECT_EQ(parsed.events[i].description,
                  "Telefono: +39 347-1234567\nRiga uno; due, tre\nRiga quattro\nRiga cinque \\ fine");
    }
}

TEST_F(CalendarFile, timesStayOnRomeWallClockAcrossDaylightSavingChanges)
{
    // The Fridays before and the Mondays after the last Sundays of March and October, this year and
    // in a later one that the file's rules must reach on their own.
    const QList<std::pair<QDate, int>> moments{{{2026, 3, 27}, 9 * 60},      {{2026, 3, 30}, 9 * 60},
                                             {{2026, 10, 23}, 18 * 60 + 45},    {{2026, 10, 26}, 9 * 60 + 15},
                                             {{2031, 3, 28}, 12 * 60 + 45}, {{2031, 3, 31}, 12 * 60 + 45},
                                             {{2031, 10, 24}, 18 * 60},    {{2031, 10, 27}, 18 * 60}};
    for (const auto& [day, start] : moments)
        book(*store, 2, day, start, 60, "Paziente " + Cal::dayKey(day));

    const QString path = dir.filePath("ora-legale.ics");
    ASSERT_FALSE(CalendarExport::exportDays(*store, {2026, 1, 1}, {2031, 12, 31}, path));
    const ParsedCalendar parsed = ParsedCalendar::of(read(path));
    EXPECT_EQ(parsed.errors, 0);
    ASSERT_EQ(parsed.events.size(), moments.size());
    for (int i = 0; i < moments.size(); ++i) {
        const auto& [day, start] = moments[i];
        SCOPED_TRACE(Cal::dayKey(day).toStdString());
        EXPECT_TRUE(parsed.events[i].zoneFromFile);
        EXPECT_EQ(parsed.events[i].startUtc, romeMoment(day, start));
        EXPECT_EQ(parsed.events[i].endUtc, romeMoment(day, start + 60));
    }
}

TEST_F(CalendarFile, patientsInviteLeavesOutPhoneAndNotes)
{
    ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
    const Appointment a = book(*store, 3, friday, 15 * 60, 45, "Anna Verdi", "Controllo", "333 7654321",
                               "Paziente ansiosa, diabetica");
    const QString invite = dir.filePath("invito.ics");
    ASSERT_FALSE(CalendarExport::saveInvite(*store, a, invite));
    const QByteArray bytes = read(invite);
    EXPECT_FALSE(bytes.contains("7654321"));
    EXPECT_FALSE(bytes.contains("diabetica"));
    const ParsedCalendar parsed = ParsedCalendar::of(bytes);
    EXPECT_EQ(parsed.errors, 0);
    ASSERT_EQ(parsed.events.size(), 1);
    EXPECT_EQ(parsed.events[0].summary, "Anna Verdi – Controllo");
    EXPECT_EQ(parsed.events[0].location, "Studio Sorriso");
    EXPECT_EQ(parsed.events[0].category, "Dentista 3");
    EXPECT_EQ(parsed.events[0].startUtc, romeMoment(friday, 15 * 60));
    // The practice's own calendars name it the same way, so a calendar holding both shows it once.
    ASSERT_FALSE(CalendarExport::exportDays(*store, friday, friday, dir.filePath("giorno.ics")));
    EXPECT_EQ(ParsedCalendar::of(read(dir.filePath("giorno.ics"))).uids(), parsed.uids());
}

TEST_F(CalendarFile, commandLineExitStatusSaysWhetherTheFileWasWritten)
{
    book(*store, 1, monday, 9 * 60, 30, "Anna Verdi", "Igiene orale");
    book(*store, 2, friday, 9 * 60, 30, "Luca Neri");
    store.reset();
    db.reset();

    QProcess program;
    const auto run = [&](const QStringList& arguments) {
        program.start(CALVORA_EXECUTABLE, arguments);
        return program.waitForFinished(60000) ? program.exitCode() : -1;
    };
    const QString out = dir.filePath("esportato.ics");
    EXPECT_EQ(run({"--data-dir", dir.path(), "--export-ics", "2026-03-02", "2026-03-06", out}), 0);
    EXPECT_EQ(ParsedCalendar::of(read(out)).events.size(), 2);

    const QString refused = dir.filePath("mai.ics");
    EXPECT_EQ(run({"--data-dir", dir.path(), "--export-ics", "2026-02-30", "2026-03-06", refused}), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("non è una data valida"));
    EXPECT_EQ(run({"--data-dir", dir.path(), "--export-ics", "2026-03-06", "2026-03-02", refused}), 1);
    EXPECT_EQ(run({"--data-dir", dir.path(), "--export-ics", "2026-03-02"}), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("Uso: calvora --export-ics"));
    EXPECT_EQ(run({"--data-dir", dir.filePath("vuota"), "--export-ics", "2026-03-02", "2026-03-06", refused}), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("Impossibile aprire l'archivio"));
    EXPECT_FALSE(QFile::exists(refused));
    EXPECT_EQ(run({"--data-dir", dir.path(), "--export-ics", "2026-03-02", "2026-03-06", dir.filePath("no/x.ics")}), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("Impossibile scrivere"));
}
