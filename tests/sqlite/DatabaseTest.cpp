#include "DamagedFiles.h"
#include "Database.h"
#include "Scalar.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using TestSupport::integer;
using TestSupport::text;

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void book(Database& db, const SQLValue& patient, qint64 dentist = 1, int start = 540)
{
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (?, ?, ?, 30, ?)",
           {dentist, "2024-12-02", start, patient});
}

} // namespace

TEST(Database, valuesFailuresAndAUsableConnectionAfterThem)
{
    Database db(":memory:");
    const auto rows = db.query("SELECT NULL, NULL, ?, ?", {SQLValue::null(), QString("testo"), 3}, [](const SQLRow& r) {
        return std::tuple(r.text(0), r.integer(1), r.text(2), r.text(3));
    });
    EXPECT_EQ(rows, (QList{std::tuple(QString(), qint64(0), QString(), QString("testo"))})); // extra args ignored
    // Text keeps non-ASCII characters and an embedded NUL.
    const QString odd = QStringLiteral("Nicolò \u0000 '%_\"");
    EXPECT_EQ(db.query("SELECT ?", {odd}, [](const SQLRow& r) { return r.text(0); }).value(0), odd);

    EXPECT_EQ(TestSupport::errorOf([&] { db.execute("SELECT * FROM nowhere"); }), "no such table: nowhere");
    EXPECT_THROW(db.query("SELEC 1", {}, [](const SQLRow& r) { return r.integer(0); }), DatabaseError);
    EXPECT_THROW(db.run("   "), DatabaseError); // text without a statement
    EXPECT_EQ(integer(db, "SELECT 41 + 1"), 42);
}

TEST(Database, openingFailuresLeaveEverythingAsItWas)
{
    QTemporaryDir dir;
    EXPECT_EQ(TestSupport::errorOf([&] { Database db(dir.filePath("missing/folder/calvora.sqlite")); }),
              "Impossibile aprire il database: unable to open database file");
    EXPECT_FALSE(QDir(dir.filePath("missing")).exists());

    // A file that is not a database is refused and left byte for byte alone. (Damaged databases go
    // through the same path: the start-up tests open each kind.)
    const QString path = dir.filePath("calvora.sqlite");
    TestSupport::writeFile(path, QByteArray("Questo non è un database.\n").repeated(200));
    const QByteArray before = TestSupport::fileDigest(path);
    EXPECT_EQ(TestSupport::errorOf([&] { Database db(path); }), "file is not a database");
    EXPECT_EQ(TestSupport::fileDigest(path), before);
    EXPECT_FALSE(QFile::exists(path + "-journal"));
}

// A damaged file of the current version opens, untouched, when its structure check is left apart (the
// start-up tests check what structureFault then finds); one of another version is checked all the
// same, since its upgrade would write to it.
TEST(Database, structureCheckedApartOnlyForAFileOfTheCurrentVersion)
{
    QTemporaryDir dir;
    const QList<DamagedFiles::Variant> variants = DamagedFiles::make(dir.path());
    EXPECT_FALSE(Database::structureFault(dir.filePath("sano.sqlite")));
    const QString path = variants.value(5).path; // "pagina azzerata"
    const QByteArray before = TestSupport::fileDigest(path);
    EXPECT_TRUE(Database(path, Database::StructureCheck::Apart).structureCheckLeft());
    EXPECT_EQ(TestSupport::fileDigest(path), before);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(60);
    file.write(QByteArray(4, '\0')); // user_version 0
    file.close();
    EXPECT_EQ(TestSupport::errorOf([&] { Database db(path, Database::StructureCheck::Apart); }),
              "database disk image is malformed");
}

TEST(Database, pragmasJournalForeignKeysAndDurability)
{
    QTemporaryDir dir;
    Database db(dir.filePath("calvora.sqlite"));
    book(db, "Rossi");
    db.transaction([&] { db.run("UPDATE appointments SET notes = 'x'"); });
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"calvora.sqlite"});
    EXPECT_EQ(text(db, "PRAGMA journal_mode"), "delete");
    EXPECT_EQ(integer(db, "PRAGMA synchronous"), 2);
#ifdef Q_OS_MACOS
    EXPECT_EQ(integer(db, "PRAGMA fullfsync"), 1);
#else
    EXPECT_EQ(integer(db, "PRAGMA fullfsync"), 0); // fsync is already durable here
#endif
    EXPECT_EQ(TestSupport::errorOf([&] { book(db, "Rossi", 9); }), "FOREIGN KEY constraint failed");
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM appointments"), 1);
}

TEST(Database, failedTransactionLeavesNoTraceAndReportsTheStatementsError)
{
    Database db(":memory:");
    EXPECT_EQ(TestSupport::errorOf([&] {
                  db.transaction([&] {
                      book(db, "Rossi");
                      db.run("UPDATE dentists SET name = 'X' WHERE id = 1");
                      book(db, SQLValue::null(), 1, 600);
                  });
              }),
              "NOT NULL constraint failed: appointments.patient");
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM appointments"), 0);
    EXPECT_EQ(text(db, "SELECT name FROM dentists WHERE id = 1"), "Dentista 1");
    // A non-storage exception rolls back too and passes through unchanged.
    const auto failing = [&] {
        db.run("UPDATE dentists SET name = 'Y' WHERE id = 2");
        throw std::runtime_error("interrotto");
    };
    EXPECT_THROW(db.transaction(failing), std::runtime_error);
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM dentists WHERE name = 'Y'"), 0);
}

TEST(Database, deletedAppointmentsLeaveNoTraceInTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    Database db(path);
    const auto bookAndDelete = [&](const QString& patient) {
        book(db, patient);
        EXPECT_TRUE(fileBytes(path).contains(patient.toUtf8()));
        db.run("DELETE FROM appointments WHERE patient = ?", {patient});
        return fileBytes(path).contains(patient.toUtf8());
    };
    EXPECT_FALSE(bookAndDelete("Paziente Riservato Qz81"));
    // Without the setting the same steps leave the name readable in a free part of the page.
    db.execute("PRAGMA secure_delete = OFF");
    EXPECT_TRUE(bookAndDelete("Paziente Visibile Kx27"));
}

TEST(Database, pageCacheStaysLargeAcrossBackups)
{
    QTemporaryDir dir;
    Database db(dir.filePath("calvora.sqlite"));
    const qint64 large = integer(db, "PRAGMA cache_size");
    db.backup(dir.filePath("copy.sqlite"));
    EXPECT_TRUE(Database::isIntact(dir.filePath("copy.sqlite")));
    EXPECT_EQ(integer(db, "PRAGMA cache_size"), large);
    EXPECT_THROW(db.backup(dir.filePath("missing/copy.sqlite")), DatabaseError);
    EXPECT_EQ(integer(db, "PRAGMA cache_size"), large);
}

TEST(Schema, newFileGetsVersionOneDefaults)
{
    QTemporaryDir dir;
    Database db(dir.filePath("calvora.sqlite"));
    EXPECT_EQ(integer(db, "PRAGMA user_version"), Database::schemaVersion);
    EXPECT_EQ(text(db, "SELECT group_concat(line, '; ') FROM (SELECT id || ' ' || name || ' ' || color || ' ' || "
                       "position AS line FROM dentists ORDER BY position)"),
              "1 Dentista 1 #2E86DE 0; 2 Dentista 2 #27AE60 1; 3 Dentista 3 #E67E22 2");
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM settings WHERE key = 'studio_name' AND value = ''"), 1);
    EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM appointments"), 0);

    // A freed id is never given out again.
    book(db, "Rossi");
    book(db, "Rossi", 1, 600);
    db.run("DELETE FROM appointments WHERE id = 2");
    book(db, "Rossi", 1, 660);
    EXPECT_EQ(integer(db, "SELECT MAX(id) FROM appointments"), 3);
    Settings::setStudioName(db, "  Studio Sorriso \n");
    EXPECT_EQ(Settings::studioName(db), "Studio Sorriso");
    db.run("DELETE FROM settings");
    EXPECT_EQ(Settings::studioName(db), QString());
}

TEST(Schema, fileAtVersionOneIsLeftUntouched)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    Database(path).run("UPDATE dentists SET name = 'Dott. Bianchi' WHERE id = 1");
    const QByteArray before = TestSupport::fileDigest(path);
    {
        Database again(path);
        EXPECT_EQ(text(again, "SELECT name FROM dentists WHERE id = 1"), "Dott. Bianchi");
    }
    EXPECT_EQ(TestSupport::fileDigest(path), before);
}

TEST(Schema, unrelatedFileWithClashingTablesIsNotChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    // Another program's file at version 0 that happens to have a table named like ours.
    Database(":memory:").execute("ATTACH DATABASE '" + path + "' AS other; CREATE TABLE other.dentists (who TEXT);"
                                 "INSERT INTO other.dentists VALUES ('estraneo'); DETACH DATABASE other;");
    const QByteArray before = TestSupport::fileDigest(path);
    EXPECT_EQ(TestSupport::errorOf([&] { Database db(path); }), "table dentists already exists");
    EXPECT_EQ(TestSupport::fileDigest(path), before);
}
