// A patient's own data on both archives: everything under the name in any letter case, a namesake told
// apart by the telephone, and the two files handed over read back as their readers read them.
#include "ArchiveFixture.h"
#include "CsvRows.h"
#include "PatientExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace {

QJsonObject json(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The PDF's text as a reader copies it out of the file (poppler's pdftotext).
QString pdfText(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!tool.waitForFinished(30000))
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).simplified();
}

} // namespace

class PatientDataTest : public ArchiveTest {
protected:
    // Maria Rossi (two numbers), her namesake under another number, and others whose names only look alike.
    void bookPatients()
    {
        ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
        insert("2024-12-10", 600, "Maria Rossi", "333 111 2222", "Igiene orale");
        insert("2024-12-05", 540, "maria ROSSI", "333 111 2222", "Visita");
        insert("2024-12-06", 660, "Maria Rossi", "06 5550000", "Otturazione");
        insert("2024-12-09", 540, "Maria Rossi", "347 999 8888", "Estrazione"); // the namesake
        insert("2024-12-09", 600, "Maria Rossini", "333 111 2222");
        insert("2024-12-09", 660, "Mario Rossi", "333 111 2222");
        const QList<Appointment> booked = store->fetchAppointments("2024-12-05", "2024-12-10");
        for (const Appointment& a : booked) {
            if (a.day == "2024-12-05") {
                ASSERT_FALSE(store->setStatus(a.id, AppointmentStatus::Confirmed));
            }
            if (a.day == "2024-12-06") {
                ASSERT_FALSE(store->cancel(a, CancelledBy::Patient, "Influenza"));
            }
        }
        WaitingEntry waiting;
        waiting.patient = "MARIA ROSSI";
        waiting.phone = "333 111 2222";
        waiting.from = QDate(2024, 12, 4);
        ASSERT_FALSE(store->saveWaitingEntry(waiting));
    }
};

TEST_P(PatientDataTest, theRecordHoldsEveryAppointmentUnderTheNameInAnyCaseAndNothingElse)
{
    bookPatients();
    const PatientRecord record = store->patientRecord("  maria rossi ");
    EXPECT_EQ(record.name, "Maria Rossi") << "as the newest appointment writes it";
    ASSERT_EQ(record.visits.size(), 4);
    QStringList days;
    for (const PatientVisit& v : record.visits)
        days << v.appointment.day;
    EXPECT_EQ(days, QStringList({"2024-12-05", "2024-12-06", "2024-12-09", "2024-12-10"})) << "cancelled ones in their place";
    EXPECT_EQ(record.visits[0].status, AppointmentStatus::Confirmed);
    ASSERT_TRUE(record.visits[1].cancellation);
    EXPECT_EQ(record.visits[1].cancellation->reason, "Influenza");
    QStringList firstActs;
    for (const ActivityEntry& e : record.visits[1].log)
        firstActs << e.action;
    EXPECT_TRUE(firstActs.contains("cancel")) << firstActs.join(',').toStdString();
    EXPECT_TRUE(record.visits[0].log.size() >= 1) << "the status change is the confirmed visit's";
    ASSERT_EQ(record.waiting.size(), 1);
    EXPECT_FALSE(record.waiting[0].log.isEmpty());

    EXPECT_EQ(record.phones(), QStringList({"333 111 2222", "06 5550000", "347 999 8888"}));
    const PatientRecord kept = record.without({"347 999 8888"});
    EXPECT_EQ(kept.visits.size(), 3);
    EXPECT_EQ(kept.waiting.size(), 1);
    EXPECT_TRUE(store->patientRecord("Maria Ross").isEmpty()) << "a whole name, not a part of one";
}

TEST_P(PatientDataTest, theFilesHoldWhatIsListedAndTheExportIsLoggedWithoutTheName)
{
    bookPatients();
    const PatientRecord record = store->patientRecord("Maria Rossi").without({"347 999 8888"});
    QStringList written;
    ASSERT_FALSE(PatientExport::writeFolder(*store, record, dir.path(), &written));
    EXPECT_EQ(written, QStringList({dir.filePath("Maria Rossi 2024-12-04.pdf"), dir.filePath("Maria Rossi 2024-12-04.csv")}));

    QFile csv(written[1]);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    const QList<QStringList> rows = CsvRows::parse(bytes);
    ASSERT_EQ(rows.size(), 5) << "the column names, three appointments, the waiting list";
    EXPECT_EQ(rows[0].mid(0, 9), QStringList({"Voce", "Giorno", "Ora", "Dentista", "Prestazione", "Telefono", "Note",
                                               "Stato", "Disdetta"}));
    EXPECT_EQ(rows[1].mid(0, 8), QStringList({"Appuntamento", "05/12/2024", "09:00–09:15", "Dentista 1", "Visita",
                                               "333 111 2222", "", "Confermato"}));
    EXPECT_EQ(rows[2][7], "Disdetto");
    EXPECT_TRUE(rows[2][8].startsWith("Disdetto dal paziente il 04/12/2024 alle 10:00")) << rows[2][8].toStdString();
    EXPECT_TRUE(rows[2][8].endsWith("Influenza"));
    EXPECT_TRUE(rows[2][9].contains(" · Disdetta · ")) << rows[2][9].toStdString();
    EXPECT_EQ(rows[3][1], "10/12/2024");
    EXPECT_EQ(rows[4][0], "Lista d'attesa");
    EXPECT_FALSE(bytes.contains("347 999 8888")) << "the namesake's appointment stays out";

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString text = pdfText(written[0]);
    for (const QString& expected : {QString("Studio Sorriso"), QString("Dati del paziente – Maria Rossi"),
                                    QString("Documento preparato il 4 dicembre 2024"), QString("05/12/2024 09:00–09:15"),
                                    QString("Disdetto dal paziente"), QString(" · Disdetta · "), QString("Lista d'attesa")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << " in: " << text.toStdString();
    EXPECT_FALSE(text.contains("347 999 8888")) << "the namesake's appointment stays out";
    EXPECT_FALSE(text.contains("Rossini"));

    const QList<ActivityEntry> last = archive->logPage({}, 1);
    ASSERT_EQ(last.size(), 1);
    EXPECT_EQ(last[0].action, "export");
    EXPECT_EQ(last[0].target, "patient");
    EXPECT_EQ(json(last[0].details).value("formats"), QJsonArray({"pdf", "csv"}));
    EXPECT_EQ(json(last[0].details).value("appointments"), 3);
    EXPECT_FALSE(last[0].details.contains("Rossi")) << "the name only among the personal texts";
    EXPECT_EQ(json(last[0].personal).value("patient"), "Maria Rossi");
    EXPECT_EQ(json(last[0].personal).value("files"), QJsonArray({"Maria Rossi 2024-12-04.pdf", "Maria Rossi 2024-12-04.csv"}));
}

TEST_P(PatientDataTest, aFolderThatCannotBeWrittenLeavesNoFileAndNoEntry)
{
    bookPatients();
    const PatientRecord record = store->patientRecord("Maria Rossi");
    const qsizetype entries = archive->logPage({}, 1000).size();
    const std::optional<QString> failure = PatientExport::writeFolder(*store, record, dir.filePath("manca"));
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith("Impossibile scrivere il file ")) << failure->toStdString();
    EXPECT_EQ(archive->logPage({}, 1000).size(), entries);
    EXPECT_EQ(PatientExport::baseName("  D'Amico/Anna: \"Nina\" ", QDate(2026, 12, 8)), "D'Amico_Anna_ _Nina_ 2026-12-08");
    EXPECT_EQ(PatientExport::baseName("../..", QDate(2026, 12, 8)), "_.. 2026-12-08");
}

INSTANTIATE_TEST_SUITE_P(BothArchives, PatientDataTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
