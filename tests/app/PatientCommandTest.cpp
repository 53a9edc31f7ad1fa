// "--export-patient" as a process of its own: the two files named after the patient and the day, or an
// exit status of 1 and the reason.
#include "CsvRows.h"
#include "Database.h"
#include "ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PatientCommandTest, writesThePatientsTwoFilesOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    const QString out = dir.filePath("consegna");
    QDir().mkpath(data);
    QDir().mkpath(out);
    {
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone) VALUES "
                 "(1, '2026-12-09', 600, 30, 'anna d''amico/neri', '333 123 4567'), "
                 "(2, '2026-12-10', 540, 30, 'Anna D''Amico/Neri', '333 123 4567'), "
                 "(2, '2026-12-10', 600, 30, 'Mario Rossi', '02 1234567')");
    }
    auto [status, stdOut, err] = runProgram(CALVORA_EXECUTABLE, {"--export-patient", "ANNA D'AMICO/NERI", out, "--data-dir", data});
    ASSERT_EQ(status, 0) << err.toStdString();
    const QStringList files = QDir(out).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 2);
    const QRegularExpression named(R"(^Anna D'Amico_Neri \d{4}-\d\d-\d\d\.(csv|pdf)$)");
    for (const QString& name : files)
        EXPECT_TRUE(named.match(name).hasMatch()) << name.toStdString();
    EXPECT_TRUE(stdOut.startsWith("Dati di «Anna D'Amico/Neri»: 2 appuntamenti scritti in\n")) << stdOut.toStdString();
    QFile csv(QDir(out).filePath(files[0]));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(CsvRows::parse(csv.readAll()).size(), 3);
    {
        Database file(data + "/calvora.sqlite");
        EXPECT_EQ(file.query("SELECT action || ' ' || target FROM activity_log ORDER BY n DESC LIMIT 1", {},
                             [](const SQLRow& r) { return r.text(0); }),
                  QStringList({"export patient"}));
    }

    std::tie(status, stdOut, err) = runProgram(CALVORA_EXECUTABLE, {"--export-patient", "Giulia Bianchi", out, "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.endsWith("Nessun appuntamento a nome «Giulia Bianchi» nell'agenda. Nessun file è stato scritto.\n"))
        << err.toStdString();
    std::tie(status, stdOut, err) = runProgram(CALVORA_EXECUTABLE, {"--export-patient", "Mario Rossi", dir.filePath("manca"), "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.endsWith("La cartella " + dir.filePath("manca") + " non esiste. Nessun file è stato scritto.\n"))
        << err.toStdString();
    // A folder already holds a folder of the PDF's name: the file cannot be written (even by root).
    const QString taken = QDir(out).filePath("Mario Rossi " + QDate::currentDate().toString("yyyy-MM-dd") + ".pdf");
    QDir().mkpath(taken);
    std::tie(status, stdOut, err) = runProgram(CALVORA_EXECUTABLE, {"--export-patient", "Mario Rossi", out, "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.endsWith("Impossibile scrivere il file " + taken + ". Nessun file è stato scritto.\n"))
        << err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2) << "nor the spreadsheet file";
    std::tie(status, stdOut, err) = runProgram(CALVORA_EXECUTABLE, {"--export-patient", "Mario Rossi", out, "--data-dir", dir.filePath("vuota")});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.contains("Impossibile leggere l'archivio appuntamenti: ")) << err.toStdString();
}
