// The month's recall file read back as a spreadsheet reads it, and the message made from the template.
#include "CsvRows.h"
#include "ExportFixture.h"
#include "RecallExport.h"
#include "RecallMessage.h"
#include "ReminderMessage.h"

class RecallExportTest : public ExportTest {
protected:
    void bookWithRecall(const QDate& day, int start, const QString& patient, const QString& phone, const RecallPlan& plan)
    {
        const Appointment draft{0, 1, Cal::dayKey(day), start, 30, patient, phone, QString(), QString()};
        const std::optional<SaveRefusal> refused = store->saveEdited(draft, {}, plan);
        ASSERT_FALSE(refused) << refused->message.toStdString();
    }
};

TEST_F(RecallExportTest, theFileHoldsTheListsMobilesOldestFirstWithAwkwardNamesIntact)
{
    ASSERT_FALSE(store->saveSettings("Studio \"Sorriso\"; Pisa", store->dentists()));
    const QDate visit(2025, 12, 1);
    bookWithRecall(visit, 600, "Anna \"Nina\" D'Amico", "333 123 4567", {6, std::nullopt, "Igiene", true});
    bookWithRecall(visit, 660, "Rossi; Mario", "+39 347-1234567",
                   {0, QDate(2026, 2, 10), "Controllo", true}); // overdue on the pinned day
    bookWithRecall(visit, 720, "Luca Neri", "02 1234567", {6, std::nullopt, "Igiene", true}); // a landline
    bookWithRecall(visit, 780, "Sara Bianchi", "320 1234567", {6, std::nullopt, "Igiene", false}); // no consent
    bookWithRecall(visit, 840, "Ugo Gialli", "320 7654321", {12, std::nullopt, "Controllo", true}); // due next year
    ASSERT_FALSE(store->setRecallTemplate("{nome}; \"{tipo}\" {scadenza}\n{studio}"));

    const QString path = dir.filePath(RecallExport::fileName(QDate(2026, 6, 15)));
    EXPECT_TRUE(path.endsWith("/richiami-2026-06.csv"));
    QString error;
    EXPECT_EQ(RecallExport::write(*store, QDate(2026, 6, 15), path, &error), 2) << error.toStdString();
    const QByteArray bytes = read(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFTelefono;"));
    const QList<QStringList> expected{
        {"Telefono", "Paziente", "Tipo", "Scadenza", "Ultima visita", "Tentativi", "Messaggio"},
        {"+393471234567", "Rossi; Mario", "Controllo", "10/02/2026", "01/12/2025", "0",
         "Rossi; Mario; \"controllo\" febbraio 2026\nStudio \"Sorriso\"; Pisa"},
        {"+393331234567", "Anna \"Nina\" D'Amico", "Igiene", "01/06/2026", "01/12/2025", "0",
         "Anna \"Nina\" D'Amico; \"igiene\" giugno 2026\nStudio \"Sorriso\"; Pisa"},
    };
    EXPECT_EQ(CsvRows::parse(bytes), expected);

    // Without the practice's own text, the default one: a single SMS naming nothing but the kind of visit.
    ASSERT_FALSE(store->setRecallTemplate("  "));
    const std::optional<QList<RecallExport::Row>> plain = RecallExport::rows(*store, QDate(2026, 6, 1));
    ASSERT_TRUE(plain && plain->size() == 2);
    EXPECT_EQ(plain->at(1).message, "Gentile Anna \"Nina\" D'Amico, è ora del richiamo di igiene presso Studio "
                                    "\"Sorriso\"; Pisa. Ci chiami per fissare un appuntamento.");
    EXPECT_LE(ReminderMessage::smsLength(plain->at(1).message).characters, 160);
    EXPECT_TRUE(ReminderMessage::smsLength(plain->at(1).message).gsm);

    // A file that cannot be written leaves the one written before whole.
    EXPECT_EQ(RecallExport::write(*store, QDate(2026, 6, 1), dir.filePath("manca/richiami.csv"), &error), std::nullopt);
    EXPECT_TRUE(error.startsWith("Impossibile scrivere il file ")) << error.toStdString();
    EXPECT_EQ(read(path), bytes);
}

TEST(RecallMessageTest, aKindReadsInsideTheSentenceAndValuesAreNotFilledAgain)
{
    Recall recall;
    recall.patient = "{tipo}";
    recall.kind = "ATM";
    recall.due = QDate(2027, 6, 15);
    const RecallMessage::Values values = RecallMessage::valuesOf(recall, "Studio");
    EXPECT_EQ(RecallMessage::render("{nome} {tipo} {scadenza} {altro}", values), "{tipo} ATM giugno 2027 {altro}");
}
