// Moving a practice's agenda file onto a server.
#include "BackupFolder.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "FileAgendaSource.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerArchive.h"
#include "ServerCopy.h"
#include "ServerSchema.h"
#include "Store.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ServerCopyTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    PgTestServer server;
    QTemporaryDir dir;
    QString path = dir.filePath("calvora.sqlite");

    static ConnectionLine parsed(const QString& line) { return *ConnectionLine::parse(line); }
    [[nodiscard]] ServerCopy::OpenSource fromFile() const
    {
        return [path = path] { return FileAgendaSource::open(path); };
    }

    // Each table as text, row by row in key order, on either side (the same SQL serves both).
    inline static const QStringList dumps{
        "SELECT id || '|' || name || '|' || color || '|' || position FROM dentists ORDER BY id",
        "SELECT key || '=' || value FROM settings ORDER BY key",
        "SELECT id || '|' || dentist_id || '|' || day || '|' || start_min || '|' || duration_min || '|' || patient "
        "|| '|' || phone || '|' || treatment || '|' || notes || '|' || created_at || '|' || updated_at FROM "
        "appointments ORDER BY id"};

    static QStringList fileDump(Database& db)
    {
        QStringList all;
        for (const QString& sql : dumps)
            all += db.query(sql, {}, [](const SQLRow& r) { return r.text(0); });
        return all;
    }

    static QStringList serverDump(PgConnection& c)
    {
        QStringList all;
        for (const QString& sql : dumps) {
            const PgResult r = c.query(sql);
            for (int i = 0; i < r.rows(); ++i)
                all << r.text(i, 0);
        }
        return all;
    }

    static void insert(Database& db, qint64 dentist, const QString& day, int start, int duration, const QString& patient)
    {
        db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (?, ?, ?, ?, ?)",
               {dentist, day, start, duration, patient});
    }
};

} // namespace

// Dentists with their ids and positions, every setting, every appointment with its id and both moments,
// across several pieces of the copy; the server's next id comes after the file's, deleted ones included.
TEST_F(ServerCopyTest, copiesEveryRowAsItIsAndTheServerGoesOnAfterTheFilesIds)
{
    QStringList fileRows;
    {
        Database file(path);
        file.transaction([&] {
            file.run("UPDATE settings SET value = 'Studio Sorriso' WHERE key = 'studio_name'");
            file.run("INSERT INTO settings (key, value) VALUES ('closed_days', '2024-12-24|2024-12-31|Ferie'), "
                     "('dentist_7_retired_from', '2025-03-03')");
            file.run("UPDATE dentists SET position = 2 - position");
            file.run("INSERT INTO dentists (id, name, color, position) VALUES (7, 'Dott.ssa Nicolò D''Angelo', "
                     "'#8E44AD', 3)");
            for (int i = 0; i < 1200; ++i) {
                const int slot = i / 4;
                file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, "
                         "treatment, notes, created_at, updated_at) VALUES (?, ?, ?, 15, ?, ?, ?, ?, ?, ?)",
                         {QList<qint64>{1, 2, 3, 7}[i % 4], QDate(2024, 1, 1).addDays(slot / 40).toString(Qt::ISODate),
                          540 + 15 * (slot % 40), QString("Paziente %1 àèìòù 😀").arg(i), i % 3 ? "347 '%_\\" : "",
                          "Igiene orale", i % 5 ? "" : "Allergia\nal lattice",
                          QString("2023-05-%1 08:%2:00").arg(1 + i % 28, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                          QString("2024-02-%1 17:%2:30").arg(1 + i % 28, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'))});
            }
            file.run("DELETE FROM appointments WHERE id >= 1199");
        });
        fileRows = fileDump(file);
    }
    const QString line = server.createDatabase();
    const ServerCopy::Counts counts = ServerCopy::copy(fromFile(), parsed(line));
    EXPECT_EQ(counts, (ServerCopy::Counts{4, 3, 1198}));
    EXPECT_EQ(ServerCopy::countsText(counts), "4 dentisti, 3 impostazioni e 1.198 appuntamenti");
    const std::unique_ptr<PgConnection> c = PgConnection::open(parsed(line));
    EXPECT_EQ(serverDump(*c), fileRows);
    EXPECT_EQ(fileRows.size(), 4 + 3 + 1198);

    // The program works on the copy; ids 1199 and 1200 were given by the file and stay unused.
    ServerArchive archive(parsed(line), std::make_unique<BackupFolder>(dir.path()));
    Store store(archive);
    EXPECT_EQ(store.studioName(), "Studio Sorriso");
    ASSERT_FALSE(store.save({0, 1, "2024-12-03", 600, 30, "Anna Verdi", {}, {}, {}}));
    EXPECT_EQ(c->query("SELECT max(id) FROM appointments").integer(0, 0), 1201);

    // A server that already keeps an agenda is refused, and nothing of it changes.
    const QStringList before = serverDump(*c);
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              "il database del server contiene già 1.199 appuntamenti: la copia si fa solo in un database vuoto (o "
              "appena creato da Calvora), per non mescolare due agende");
    EXPECT_EQ(serverDump(*c), before);
}

// Whatever stops the copy leaves the server as it was: not even the tables of an empty database.
TEST_F(ServerCopyTest, aCopyThatCannotBeDoneWritesNothing)
{
    const QString line = server.createDatabase();
    const auto untouched = [&] {
        return ServerSchema::inspect(*PgConnection::open(parsed(line))).content == ServerSchema::Content::Empty;
    };
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              "non c'è un archivio da copiare: il file " + path + " non esiste");
    EXPECT_FALSE(QFileInfo::exists(path));
    {
        Database file(path);
        insert(file, 2, "2024-12-03", 600, 30, "Anna Verdi");
        insert(file, 2, "2024-12-03", 615, 45, "Mario Rossi"); // as written by two computers whose file locks failed
    }
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              "nel file due appuntamenti di Dentista 2 si sovrappongono (martedì 3 dicembre 2024 10:00–10:30 Anna "
              "Verdi, 10:15–11:00 Mario Rossi) e il server non li accetta: sposta o elimina uno dei due con Calvora "
              "su questo computer, poi ripeti la copia");
    EXPECT_TRUE(untouched());
    {
        Database file(path);
        file.run("UPDATE appointments SET start_min = 660, patient = ? WHERE patient = 'Mario Rossi'",
                 {QString("Mario") + QChar(0) + "Rossi"});
    }
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              "l'appuntamento di MarioRossi del 2024-12-03 alle 11:00 contiene un carattere nullo (NUL), che il server "
              "non può conservare: correggilo con Calvora su questo computer, poi ripeti la copia");
    EXPECT_TRUE(untouched());

    // The counts are read back before the commit: a server that silently drops a row refuses the copy.
    {
        Database file(path);
        file.run("UPDATE appointments SET patient = 'Mario Rossi' WHERE start_min = 660");
    }
    (void)ServerArchive(parsed(line), std::make_unique<BackupFolder>(dir.path())); // the program's own empty agenda is accepted
    const std::unique_ptr<PgConnection> c = PgConnection::open(parsed(line));
    c->execute("CREATE FUNCTION drop_one() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.patient = 'Mario "
               "Rossi' THEN RETURN NULL; END IF; RETURN NEW; END $$; CREATE TRIGGER drop_one BEFORE INSERT ON "
               "appointments FOR EACH ROW EXECUTE FUNCTION drop_one()");
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              "dopo la copia il server conta 3 dentisti, 1 impostazione e 1 appuntamento invece di 3 dentisti, 1 "
              "impostazione e 2 appuntamenti come il file: la copia è stata annullata");
    EXPECT_EQ(c->query("SELECT count(*) FROM appointments").integer(0, 0), 0);
    c->execute("DROP TRIGGER drop_one ON appointments");

    // Tables that a newer program upgraded take no rows of this program's format.
    c->query("UPDATE calvora_schema SET version = $1", {ServerSchema::currentVersion + 1});
    EXPECT_EQ(TestSupport::errorOf([&] { ServerCopy::copy(fromFile(), parsed(line)); }),
              DatabaseError::newer(ServerSchema::currentVersion + 1, ServerSchema::currentVersion).message());
    EXPECT_EQ(c->query("SELECT count(*) FROM appointments").integer(0, 0), 0);
    c->query("UPDATE calvora_schema SET version = $1", {ServerSchema::currentVersion});
    EXPECT_EQ(ServerCopy::copy(fromFile(), parsed(line)), (ServerCopy::Counts{3, 1, 2}));
}
