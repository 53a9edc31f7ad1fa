#include "Database.h"
#include "SelfTest.h"
#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(SelfTest, freshScratchFolderPassesEveryCheck)
{
    QTemporaryDir dir;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the mode needs no display of its own
    env.remove("DISPLAY");
    program.setProcessEnvironment(env);
    const auto exitCode = [&](const QStringList& arguments) {
        program.start(CALVORA_EXECUTABLE, arguments);
        return program.waitForFinished(120000) ? program.exitCode() : -1;
    };
    const QStringList arguments{"--self-test", "--data-dir", dir.filePath("prova"), "--out", dir.filePath("risultati")};
    EXPECT_EQ(exitCode(arguments), 0);
    const QStringList output = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(output.size(), 10);
    EXPECT_EQ(output.last(), "Tutti i controlli superati.");
    for (const QString& line : output.mid(0, output.size() - 1))
        EXPECT_TRUE(line.startsWith("OK    ")) << line.toStdString();
    EXPECT_TRUE(output.contains("OK    Ripristino di un backup in una cartella di prova, con i conteggi controllati"));

    // A folder that already holds an agenda is never used; neither is the real data folder.
    EXPECT_EQ(exitCode(arguments), 2);
    EXPECT_EQ(exitCode({"--self-test", "--out", dir.filePath("risultati")}), 2);
}

TEST(SelfTest, brokenOverlapRuleIsReported)
{
    QTemporaryDir dir;
    QString report;
    QTextStream out(&report);
    SelfTest::Options options;
    // The overlap check no longer sees appointments that start at 10:00, while writes still land (a view
    // of this connection hides the table, which keeps the activity log's triggers).
    options.afterOpen = [](Database& db) {
        db.execute(R"SQL(
            CREATE TEMP VIEW appointments AS SELECT * FROM main.appointments WHERE start_min <> 600;
            CREATE TEMP TRIGGER add INSTEAD OF INSERT ON appointments BEGIN
                INSERT INTO main.appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment, notes)
                VALUES (NEW.dentist_id, NEW.day, NEW.start_min, NEW.duration_min, NEW.patient, NEW.phone,
                        NEW.treatment, NEW.notes);
            END;)SQL");
    };
    EXPECT_EQ(SelfTest::run(dir.filePath("prova"), dir.filePath("risultati"), out, options), 1);
    const QStringList output = report.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(output.contains(QStringLiteral("OK    Regola: nome del paziente obbligatorio")));
    EXPECT_FALSE(output.filter(QRegularExpression("^ERRORE Regola: nessuna sovrapposizione con lo stesso dentista"))
                     .isEmpty())
        << report.toStdString();
    EXPECT_TRUE(output.last().endsWith(" controlli falliti.")) << output.last().toStdString();
}
