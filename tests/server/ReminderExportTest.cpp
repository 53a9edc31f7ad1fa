// The day's reminder file on both archives, read back as a spreadsheet reads it, with the template that
// another computer of the practice wrote.
#include "ArchiveFixture.h"
#include "CsvRows.h"
#include "ReminderExport.h"

#include <QFile>

class ReminderExportTest : public ArchiveTest {};

TEST_P(ReminderExportTest, theFileHoldsTheDaysMobilesWithAwkwardNamesIntact)
{
    ASSERT_FALSE(store->saveSettings("Studio \"Sorriso\"; Pisa", store->dentists()));
    insert("2024-12-05", 600, "Anna \"Nina\" D'Amico", "333 123 4567");
    insert("2024-12-05", 540, "Rossi; Mario\r\nsecondo rigo", "+39 347-1234567");
    insert("2024-12-05", 660, "Niccolò Lombardi", "02 1234567"); // a landline: called, not texted
    insert("2024-12-05", 720, "Disdetto Bianchi", "0039 320 1234567");
    insert("2024-12-06", 540, "Altro Giorno", "333 765 4321");
    const QList<Appointment> day = store->fetchAppointments("2024-12-05", "2024-12-05");
    ASSERT_EQ(day.size(), 4);
    ASSERT_FALSE(store->setStatus(day[1].id, AppointmentStatus::Confirmed));
    ASSERT_FALSE(store->cancel(day[3], CancelledBy::Patient));

    // Another computer writes the template; the export reads it from the archive.
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    ASSERT_FALSE(other.setReminderTemplate("{nome}; \"{giorno}\" {ora}\n{dentista} – {studio}"));

    const QString path = dir.filePath("promemoria.csv");
    QString error;
    EXPECT_EQ(ReminderExport::write(*store, QDate(2024, 12, 5), path, &error), 2) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFTelefono;"));
    const QList<QStringList> rows = CsvRows::parse(bytes);
    const QList<QStringList> expected{
        {"Telefono", "Paziente", "Data", "Ora", "Dentista", "Stato", "Messaggio"},
        {"+393471234567", "Rossi; Mario\r\nsecondo rigo", "05/12/2024", "09:00", "Dentista 1", "Da confermare",
         "Rossi; Mario\r\nsecondo rigo; \"giovedì 5/12\" 09:00\nDentista 1 – Studio \"Sorriso\"; Pisa"},
        {"+393331234567", "Anna \"Nina\" D'Amico", "05/12/2024", "10:00", "Dentista 1", "Confermato",
         "Anna \"Nina\" D'Amico; \"giovedì 5/12\" 10:00\nDentista 1 – Studio \"Sorriso\"; Pisa"},
    };
    EXPECT_EQ(rows, expected);

    // A blank template goes back to the default one.
    ASSERT_FALSE(other.setReminderTemplate("  "));
    const std::optional<QList<ReminderExport::Row>> plain = ReminderExport::rows(*store, QDate(2024, 12, 5));
    ASSERT_TRUE(plain && plain->size() == 2);
    EXPECT_TRUE(plain->at(1).message.startsWith("Gentile Anna \"Nina\" D'Amico, le ricordiamo l'appuntamento di "
                                                "giovedì 5/12 alle 10:00 con Dentista 1"));
}

TEST_P(ReminderExportTest, theNextOpenDaySkipsWeekendsAndClosures)
{
    EXPECT_EQ(store->nextOpenDay(QDate(2024, 12, 4)), QDate(2024, 12, 5));
    EXPECT_EQ(store->nextOpenDay(QDate(2024, 12, 6)), QDate(2024, 12, 9));
    ASSERT_FALSE(store->setClosedPeriods({{QDate(2024, 12, 5), QDate(2024, 12, 9), "Ponte"}}));
    EXPECT_EQ(store->nextOpenDay(QDate(2024, 12, 4)), QDate(2024, 12, 10));
}

INSTANTIATE_TEST_SUITE_P(BothArchives, ReminderExportTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
