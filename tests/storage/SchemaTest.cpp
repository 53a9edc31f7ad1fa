#include "Database.h"
#include "Settings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

qint64 integer(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

} // namespace

TEST(Schema, newFileGetsVersionOneDefaultsAndNoAppointments)
{
    QTemporaryDir dir;
    Database db(dir.filePath("calvora.sqlite"));
    EXPECT_EQ(integer(db, "PRAGMA user_version"), 1);
    const auto dentists = db.query("SELECT id, name, color, position FROM dentists ORDER BY position", {},
                                   [](const SQLRow& r) {
                                       return QStringList{QString::number(r.integer(0)), r.text(1), r.text(2),
                                                          QString::number(r.integer(3))};
                                   });
    const QList<QStringList> expected{{"1", "Dentista 1", "#2E86DE", "0"},
                                      {"2", "Dentista 2", "#27AE60", "1"},
                                      {"3", "Dentista 3", "#E67E22", "2"}};
    EXPECT_EQ(dentists, expected);
    EXPECT_EQ(Settings::studioName(db), QString());
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM settings WHERE key = 'studio_name'"), 1);
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM appointments"), 0);
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name = 'idx_appointments_day'"), 1);
}

TEST(Schema, fileAtVersionOneIsLeftUntouched)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    {
        Database db(path);
        db.run("UPDATE dentists SET name = 'Dott. Bianchi' WHERE id = 1");
    }
    const QByteArray before = TestSupport::fileDigest(path);
    {
        Database again(path);
        EXPECT_EQ(again.query("SELECT name FROM dentists WHERE id = 1", {}, [](const SQLRow& r) { return r.text(0); })
                      .value(0),
                  "Dott. Bianchi");
    }
    EXPECT_EQ(TestSupport::fileDigest(path), before);
}

TEST(Schema, unrelatedFileWithClashingTablesIsNotChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    {
        // Another program's file at version 0 that happens to have a table named like ours.
        Database scratch(":memory:");
        scratch.execute("ATTACH DATABASE '" + path + "' AS other;"
                        "CREATE TABLE other.dentists (who TEXT); INSERT INTO other.dentists VALUES ('estraneo');"
                        "DETACH DATABASE other;");
    }
    const QByteArray before = TestSupport::fileDigest(path);
    try {
        Database db(path);
        FAIL() << "opened";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.message(), "table dentists already exists");
    }
    EXPECT_EQ(TestSupport::fileDigest(path), before);
}

TEST(Schema, defaultsAutoincrementAndStudioName)
{
    Database db(":memory:");
    const QString insert = "INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (1, "
                           "'2024-12-02', ?, 30, 'Rossi')";
    db.run(insert, {540});
    db.run(insert, {600});
    const auto row = db.query("SELECT phone, treatment, notes, created_at, updated_at FROM appointments WHERE id = 2",
                              {}, [](const SQLRow& r) {
                                  return QStringList{r.text(0), r.text(1), r.text(2), r.text(3), r.text(4)};
                              });
    ASSERT_EQ(row.size(), 1);
    EXPECT_EQ(row[0].mid(0, 3), (QStringList{"", "", ""}));
    EXPECT_TRUE(QDateTime::fromString(row[0][3], "yyyy-MM-dd HH:mm:ss").isValid()) << row[0][3].toStdString();
    EXPECT_EQ(row[0][3], row[0][4]);
    db.run("DELETE FROM appointments WHERE id = 2");
    db.run(insert, {660});
    EXPECT_EQ(integer(db, "SELECT MAX(id) FROM appointments"), 3); // the freed id 2 is not given out again

    Settings::setStudioName(db, "  Studio Sorriso \n");
    EXPECT_EQ(Settings::studioName(db), "Studio Sorriso");
    db.run("DELETE FROM settings");
    EXPECT_EQ(Settings::studioName(db), QString());
    Settings::setStudioName(db, " ");
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM settings WHERE key = 'studio_name' AND value = ''"), 1);
}
