// "--export-reminders" run as the practice schedules it: a process of its own, no window, an exit status.
#include "CsvRows.h"
#include "Database.h"
#include "ProgramRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ReminderCommandTest, writesTheDaysFileOrSaysWhyNotWithStatusOne)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    QDir().mkpath(data);
    {
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone) VALUES "
                 "(1, '2026-12-09', 600, 30, 'Anna Verdi', '333 123 4567'), "
                 "(2, '2026-12-09', 540, 30, 'Mario Rossi', '02 1234567'), "
                 "(2, '2026-12-10', 540, 30, 'Luca Neri', '347 1234567')");
    }
    const QString csv = dir.filePath("promemoria.csv");
    auto [status, out, err] = runProgram(CALVORA_EXECUTABLE, {"--export-reminders", "2026-12-09", csv, "--data-dir", data});
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(out, "Promemoria di mercoledì 9 dicembre 2026: 1 messaggio in " + csv + "\n");
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = CsvRows::parse(written.readAll());
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].mid(0, 6), QStringList({"+393331234567", "Anna Verdi", "09/12/2026", "10:00", "Dentista 1",
                                               "Da confermare"}));

    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--data-dir", data, "--export-reminders", "9-12-2026", csv});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Data non valida: «9-12-2026». Scrivila come aaaa-mm-gg, ad esempio 2026-12-09.\n");
    std::tie(status, out, err) =
        runProgram(CALVORA_EXECUTABLE, {"--export-reminders", "2026-12-09", dir.filePath("manca/promemoria.csv"), "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("Impossibile scrivere il file " + dir.filePath("manca/promemoria.csv"))) << err.toStdString();
    std::tie(status, out, err) =
        runProgram(CALVORA_EXECUTABLE, {"--export-reminders", "2026-12-09", csv, "--data-dir", data, "--server", "host=" + dir.filePath("nessuno") + " dbname=agenda"});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("Impossibile aprire l'archivio appuntamenti: ")) << err.toStdString();
    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--export-reminders", "2026-12-09", csv, "--data-dir", dir.filePath("vuota")});
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("vuota/calvora.sqlite")));
    // The file written first is still whole.
    written.seek(0);
    EXPECT_EQ(CsvRows::parse(written.readAll()), rows);
}
