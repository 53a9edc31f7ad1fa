// "--export-recalls" run as the practice schedules it: a process of its own, no window, an exit status.
#include "CsvRows.h"
#include "Database.h"
#include "ProgramRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<QStringList> readRows(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? CsvRows::parse(file.readAll()) : QList<QStringList>();
}

} // namespace

TEST(RecallCommandTest, writesTheMonthsFileAHeaderAloneForNobodyOrSaysWhyNotWithStatusOne)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    QDir().mkpath(data);
    {
        // Far from the day the test runs, so that nothing is overdue.
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (id, dentist_id, day, start_min, duration_min, patient, phone) VALUES "
                 "(1, 1, '2098-12-15', 600, 30, 'Anna Verdi', '333 123 4567'), "
                 "(2, 1, '2098-12-15', 660, 30, 'Mario Rossi', '02 1234567')");
        file.run("INSERT INTO recalls (appointment_id, patient, phone, kind, due_day, closes_from, months, last_visit, "
                 "created_at) VALUES "
                 "(1, 'Anna Verdi', '333 123 4567', 'Igiene', '2099-06-15', '2099-05-15', 6, '2098-12-15', '2098-12-15 10:30:00'), "
                 "(2, 'Mario Rossi', '02 1234567', 'Igiene', '2099-06-15', '2099-05-15', 6, '2098-12-15', '2098-12-15 11:30:00')");
    }
    const QString csv = dir.filePath("richiami.csv");
    auto [status, out, err] = runProgram(CALVORA_EXECUTABLE, {"--export-recalls", "2099-06", csv, "--data-dir", data});
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(out, "Richiami di giugno 2099: 1 paziente in " + csv + "\n");
    const QList<QStringList> rows = readRows(csv);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].mid(0, 6), QStringList({"+393331234567", "Anna Verdi", "Igiene", "15/06/2099", "15/12/2098", "0"}));

    const QString empty = dir.filePath("vuoto.csv");
    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--data-dir", data, "--export-recalls", "2099-02", empty});
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(readRows(empty), QList<QStringList>({rows[0]}));

    for (const QString& month : {QStringLiteral("2099-13"), QStringLiteral("6-2099"), QStringLiteral("2099-06-01")}) {
        std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--export-recalls", month, csv, "--data-dir", data});
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, "Mese non valido: «" + month + "». Scrivilo come aaaa-mm, ad esempio 2027-06.\n");
    }
    std::tie(status, out, err) =
        runProgram(CALVORA_EXECUTABLE, {"--export-recalls", "2099-06", dir.filePath("manca/richiami.csv"), "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("Impossibile scrivere il file " + dir.filePath("manca/richiami.csv"))) << err.toStdString();
    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--export-recalls", "2099-06", csv, "--data-dir", dir.filePath("vuota")});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("Impossibile aprire l'archivio appuntamenti: ")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("vuota/calvora.sqlite")));
    EXPECT_EQ(readRows(csv), rows); // the file written first is still whole
}
