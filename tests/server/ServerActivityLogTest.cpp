// The activity log on the server: written by the server's own triggers for every client, sealed as
// ActivityChain seals it, guardable against the program's own role.
#include "ArchiveFixture.h"
#include "FileAgendaSource.h"
#include "LogVerification.h"
#include "ServerCopy.h"
#include "ServerLogSchema.h"
#include "ServerSchema.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <thread>

namespace {

QJsonObject object(const QString& json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

// {"field": [before, after]} read back as "before→after" per field, salt left out.
QMap<QString, QString> changes(const QString& json)
{
    QMap<QString, QString> out;
    const QJsonObject o = object(json);
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (it.key() == u"salt" || it.key() == u"key")
            continue;
        const QJsonArray pair = it.value().toArray();
        const auto text = [](const QJsonValue& v) {
            return v.isNull() ? QStringLiteral("null") : v.isDouble() ? QString::number(v.toInteger()) : v.toString();
        };
        out.insert(it.key(), text(pair.at(0)) + QStringLiteral("→") + text(pair.at(1)));
    }
    return out;
}

// The guarding step as the program prints it for the administrator, to be run by the superuser.
QString guardStep()
{
    QProcess program;
    program.start(CALVORA_PROGRAM, {"--print-log-guard"});
    if (!program.waitForFinished(60000) || program.exitCode() != 0)
        return {};
    return QString::fromUtf8(program.readAllStandardOutput());
}

QString verifyCommand(const QString& line)
{
    QProcess program;
    program.start(CALVORA_PROGRAM, {"--verify-log", "--server", line});
    program.waitForFinished(60000);
    return QString::fromUtf8(program.readAllStandardOutput()).trimmed();
}

QList<ActivityEntry> entriesOf(AgendaArchive& archive)
{
    QList<ActivityEntry> all;
    archive.forEachLogEntry([&](const ActivityEntry& e) {
        all.append(e);
        return true;
    });
    return all;
}

ActivityChain::Verdict verdictOf(AgendaArchive& archive)
{
    return LogVerification::verify(archive);
}

} // namespace

class ServerActivityLogTest : public ArchiveFixture {
protected:
    ServerActivityLogTest() : ArchiveFixture(ArchiveKind::Server) {}

    ServerArchive& serverArchive() { return static_cast<ServerArchive&>(*archive); }

    QList<ActivityEntry> entries() { return entriesOf(*archive); }
    ActivityChain::Verdict verdict() { return verdictOf(*archive); }

    // The entries appended since the last call.
    QList<ActivityEntry> fresh()
    {
        const QList<ActivityEntry> all = entries();
        const QList<ActivityEntry> out = all.mid(m_seen);
        m_seen = all.size();
        return out;
    }

    // What the store does before a change: says what it is.
    void doing(const QString& action) { archive->setAction(action); }

    qint64 idOf(const QString& patient)
    {
        return scalar("SELECT id FROM appointments WHERE patient = '" + patient + "'");
    }

    // Exactly one entry since the last look, of that action and target about that record.
    ActivityEntry one(const QString& action, const QString& target, std::optional<qint64> subject)
    {
        const QList<ActivityEntry> appended = fresh();
        EXPECT_EQ(appended.size(), 1) << action.toStdString();
        if (appended.size() != 1)
            return {};
        const ActivityEntry& e = appended.first();
        EXPECT_EQ(e.action, action);
        EXPECT_EQ(e.target, target);
        EXPECT_EQ(e.subject, subject);
        return e;
    }

private:
    qsizetype m_seen = 0;
};

TEST_F(ServerActivityLogTest, theProgramsEntriesAreSealedAsTheChainVerifiesThem)
{
    // A line feed and a backslash in the sealed fields, which the canonical form escapes.
    archive->setActor({"reception\nnord", "anna", ""});
    fresh();

    doing("book");
    Appointment a = booking(1, "2024-12-05", 600, 30, "Mario Rossi");
    a.treatment = "Igiene";
    ASSERT_FALSE(store->save(a));
    const qint64 id = idOf("Mario Rossi");
    ActivityEntry e = one("book", "appointment", id);
    EXPECT_EQ(changes(e.details), (QMap<QString, QString>{{"day", "null→2024-12-05"},
                                                          {"start_min", "null→600"},
                                                          {"duration_min", "null→30"},
                                                          {"dentist_id", "null→1"}}));
    EXPECT_EQ(changes(e.personal), (QMap<QString, QString>{{"patient", "null→Mario Rossi"},
                                                           {"phone", "null→"},
                                                           {"treatment", "null→Igiene"},
                                                           {"notes", "null→"}}));
    EXPECT_EQ(object(e.personal).value("salt").toString().size(), 32);
    EXPECT_EQ(e.computer, "reception\nnord");
    EXPECT_EQ(e.account, "anna");
    EXPECT_EQ(e.client, "postgres · Calvora · locale");
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)").match(e.at).hasMatch()) << e.at.toStdString();

    // Every kind of change is checked on both archives alike in ActivityLogTest.
    EXPECT_TRUE(verdict().intact()) << verdict().message().toStdString();
    EXPECT_EQ(verdict().entries, entries().size());
}

TEST_F(ServerActivityLogTest, anotherClientIsLoggedAsSqlAndAChangedEntryIsNamed)
{
    const std::unique_ptr<PgConnection> psql = PgConnection::open(*ConnectionLine::parse(serverLine + " application_name=psql"));
    psql->query("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) "
                "VALUES (1, '2024-12-05', 600, 15, 'Mario Rossi')");
    // Whatever a client sends in the log's own columns, the server seals the entry itself.
    psql->query("INSERT INTO activity_log (n, at, action, target, client, hash) VALUES (99, 'ieri', 'x', 'agenda', "
                "'nessuno', 'abc')");
    psql->execute("TRUNCATE waiting_list");
    const QList<ActivityEntry> all = entries();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].action, "sql");
    EXPECT_EQ(all[0].client, "postgres · psql · locale");
    EXPECT_EQ(all[0].computer, "");
    EXPECT_EQ(all[1].n, 2);
    EXPECT_EQ(all[1].client, "postgres · psql · locale");
    EXPECT_NE(all[1].at, "ieri");
    EXPECT_EQ(all[2].target, "waiting_list");
    EXPECT_EQ(verdict().message(), "Registro integro: 3 voci");

    // The archive's own practice-level entry, sealed by the same trigger.
    archive->logEvent("print", "agenda", R"({"days":["2024-12-05"]})", {});
    EXPECT_EQ(verdict().message(), "Registro integro: 4 voci");

    sql("UPDATE activity_log SET details = '{\"days\":[\"2024-12-06\"]}' WHERE n = 4");
    EXPECT_EQ(verdict().message(), "Registro alterato: la voce 4 è stata modificata");
    sql("UPDATE activity_log SET client = 'altro' WHERE n = 2");
    EXPECT_EQ(verdict().firstBad, 2);
}

TEST_F(ServerActivityLogTest, twoAppendersAtOnceKeepTheNumbersAndTheChainWhole)
{
    constexpr int each = 40;
    const auto writer = [&](int dentist) {
        const std::unique_ptr<PgConnection> c = PgConnection::open(*ConnectionLine::parse(serverLine));
        for (int i = 0; i < each; ++i)
            c->query("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES ($1, "
                     "'2024-12-05', $2, 15, 'P')",
                     {dentist, 540 + 15 * i});
    };
    std::thread first(writer, 1);
    std::thread second(writer, 2);
    first.join();
    second.join();
    EXPECT_EQ(scalar("SELECT count(*) FROM activity_log"), 2 * each);
    EXPECT_EQ(scalar("SELECT max(n) FROM activity_log"), 2 * each);
    EXPECT_TRUE(verdict().intact()) << verdict().message().toStdString();
}

TEST_F(ServerActivityLogTest, aThirdVersionServerIsUpgradedAndLogsFromThen)
{
    const QString line = server->createDatabase();
    const std::unique_ptr<PgConnection> old = PgConnection::open(*ConnectionLine::parse(line));
    old->transaction([&] { ServerSchema::prepareInTransaction(*old, 3); });
    old->query("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (1, "
               "'2024-12-05', 600, 15, 'Mario Rossi')");
    ServerArchive upgraded(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    EXPECT_EQ(old->query("SELECT version FROM calvora_schema").integer(0, 0), ServerSchema::currentVersion);
    EXPECT_EQ(old->query("SELECT count(*) FROM activity_log").integer(0, 0), 0);
    old->query("UPDATE appointments SET start_min = 630");
    const QList<ActivityEntry> all = entriesOf(upgraded);
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(changes(all[0].details), (QMap<QString, QString>{{"start_min", "600→630"}}));
}

TEST_F(ServerActivityLogTest, aLogMadeBeforeAnonymisationsGetsTheirFunctionAtOpening)
{
    const QString line = server->createDatabase();
    {
        ServerArchive made(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    }
    const std::unique_ptr<PgConnection> c = PgConnection::open(*ConnectionLine::parse(line));
    c->execute("DROP FUNCTION " + ServerLogSchema::anonymiseFunction());
    ServerArchive reopened(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    Store agenda(reopened);
    Appointment a;
    a.dentistId = 1;
    a.day = "2024-12-05";
    a.startMinutes = 600;
    a.durationMinutes = 15;
    a.patient = "Mario Rossi";
    ASSERT_FALSE(agenda.save(a));
    qsizetype reached = 0;
    EXPECT_FALSE(agenda.anonymisePatient("Mario Rossi", {}, &reached));
    EXPECT_EQ(reached, 1);
    EXPECT_TRUE(verdictOf(reopened).intact());
}

TEST_F(ServerActivityLogTest, afterTheGuardStepTheProgramsRoleCanOnlyAppend)
{
    sql("CREATE ROLE reception LOGIN");
    sql("CREATE DATABASE studio OWNER reception");
    const QString line = server->line("studio", "reception");
    auto own = std::make_unique<ServerArchive>(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    EXPECT_TRUE(own->openingWarning().has_value());
    EXPECT_TRUE(ServerArchive::probe(line).message.contains("non è ancora protetto"));

    const QString step = guardStep();
    ASSERT_FALSE(step.isEmpty());
    server->connect("studio")->execute(step);

    // Every function of the log, the ones a later version adds included, left to the log's owner.
    EXPECT_EQ(server->connect("studio")
                  ->query("SELECT count(*) FROM pg_proc WHERE proname LIKE 'calvora\\_log\\_%' AND "
                          "pg_get_userbyid(proowner) <> 'calvora_registro'")
                  .integer(0, 0),
              0);
    const std::unique_ptr<PgConnection> program = PgConnection::open(*ConnectionLine::parse(line));
    for (const QString& statement : {QString("UPDATE activity_log SET action = 'x'"), QString("DELETE FROM activity_log"),
                                     QString("TRUNCATE activity_log"), QString("UPDATE activity_head SET n = 0"),
                                     QString("DROP TABLE activity_log"), QString("ALTER TABLE activity_log DISABLE TRIGGER ALL"),
                                     QString("CREATE OR REPLACE FUNCTION calvora_log_field(f text) RETURNS text "
                                             "LANGUAGE sql AS 'SELECT f'")}) {
        try {
            program->execute(statement);
            ADD_FAILURE() << "allowed: " << statement.toStdString();
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(error.message().contains("permission denied") || error.message().contains("must be owner"))
                << error.message().toStdString();
        }
    }

    own = std::make_unique<ServerArchive>(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    EXPECT_FALSE(own->openingWarning().has_value());
    EXPECT_FALSE(ServerArchive::probe(line).message.contains("non è ancora protetto"));
    Store guarded(*own);
    own->setAction("book");
    ASSERT_FALSE(guarded.save(booking(1, "2024-12-05", 600, 15)));
    // An anonymisation changes entries through the log's own function only.
    qsizetype reached = 0;
    ASSERT_FALSE(guarded.anonymisePatient("Mario Rossi", {}, &reached));
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(entriesOf(*own).last().action, "anonymise");
    own->logEvent("backup", "agenda", "{}", {});
    const ActivityChain::Verdict verdict = verdictOf(*own);
    EXPECT_TRUE(verdict.intact()) << verdict.message().toStdString();
    EXPECT_EQ(entriesOf(*own).last().action, "backup");

    // What the role still may do to its own tables shows in the log.
    program->execute("ALTER TABLE appointments DISABLE TRIGGER appointments_logged");
    EXPECT_EQ(program->query("SELECT details FROM activity_log WHERE action = 'ddl' ORDER BY n DESC LIMIT 1").text(0, 0),
              R"({"command": "ALTER TABLE", "objects": ["public.appointments"]})");
}

TEST_F(ServerActivityLogTest, aLogGuardedByAnEarlierVersionLearnsToAnonymiseFromTheGuardStepRunAgain)
{
    sql("CREATE ROLE reception LOGIN");
    sql("CREATE DATABASE studio OWNER reception");
    const QString line = server->line("studio", "reception");
    { ServerArchive made(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path())); }
    const QString step = guardStep();
    ASSERT_FALSE(step.isEmpty());
    const std::unique_ptr<PgConnection> admin = server->connect("studio");
    admin->execute(step);
    // What an earlier version left: no anonymisation, and a row trigger that knows nothing of one.
    admin->execute("DO $$ BEGIN EXECUTE replace(pg_get_functiondef('calvora_log_row'::regproc), "
                   "' OR calvora_log_anonymising()', ''); END $$");
    admin->execute("DROP FUNCTION " + ServerLogSchema::anonymiseFunction());

    auto own = std::make_unique<ServerArchive>(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    ASSERT_TRUE(own->openingWarning().has_value());
    EXPECT_TRUE(own->openingWarning()->contains("non permette ancora di anonimizzare"));
    auto agenda = std::make_unique<Store>(*own);
    own->setAction("book");
    ASSERT_FALSE(agenda->save(booking(1, "2024-12-05", 600, 15)));
    const std::optional<QString> refused = agenda->anonymisePatient("Mario Rossi", {});
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains("calvora --print-log-guard | sudo -u postgres psql -v ON_ERROR_STOP=1 -d studio"))
        << refused->toStdString();

    const qint64 before = admin->query("SELECT max(n) FROM activity_log").integer(0, 0);
    admin->execute(guardStep());
    const PgResult added = admin->query("SELECT action, details FROM activity_log WHERE n > $1", {before});
    ASSERT_EQ(added.rows(), 1) << "the step again leaves one entry, however many commands it runs";
    EXPECT_EQ(added.text(0, 0), "ddl");

    agenda.reset();
    own = std::make_unique<ServerArchive>(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    EXPECT_FALSE(own->openingWarning().has_value());
    agenda = std::make_unique<Store>(*own);
    qsizetype reached = 0;
    ASSERT_FALSE(agenda->anonymisePatient("Mario Rossi", {}, &reached));
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(patients(agenda->fetchAppointments("2024-12-05", "2024-12-05")),
              QStringList{QString::fromUtf16(ActivityChain::anonymised)});
    EXPECT_TRUE(verifyCommand(line).startsWith("Registro integro")) << verifyCommand(line).toStdString();
    // Still guarded: the program's role may not take back what the step gave away.
    EXPECT_THROW(PgConnection::open(*ConnectionLine::parse(line))->execute("UPDATE activity_log SET action = 'x'"),
                 DatabaseError);
}

TEST_F(ServerActivityLogTest, aCopyOfTheFileOntoTheServerIsOneImportEntry)
{
    const QString file = dir.filePath("copia.sqlite");
    {
        SqliteArchive local(std::make_unique<Database>(file));
        Store onFile(local);
        ASSERT_FALSE(onFile.save(booking(1, "2024-12-05", 600, 30, "Anna Verdi")));
        ASSERT_FALSE(onFile.save(booking(2, "2024-12-05", 600, 30, "Luca Neri")));
        ASSERT_FALSE(onFile.cancel(onFile.weekAppointments().at(1), CancelledBy::Practice, "Dentista malato"));
    }
    const QString line = server->createDatabase();
    ServerCopy::copy([&] { return FileAgendaSource::open(file); }, *ConnectionLine::parse(line));
    ServerArchive copied(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    ASSERT_EQ(entriesOf(copied).size(), 1);
    EXPECT_EQ(entriesOf(copied)[0].action, "import");
    EXPECT_EQ(object(entriesOf(copied)[0].details).value("appointments").toInt(), 1);

    // Later writes of the same kind are logged again.
    copied.setAction("book");
    Store onServer(copied);
    ASSERT_FALSE(onServer.save(booking(1, "2024-12-06", 600, 30, "Carla Neri")));
    ASSERT_EQ(entriesOf(copied).size(), 2);
    EXPECT_EQ(entriesOf(copied)[1].action, "book");
}

TEST_F(ServerActivityLogTest, theHistoryOfAnAppointmentAndFilteredPagesNewestFirst)
{
    archive->setActor({"reception", "anna", ""});
    doing("book");
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Mario Rossi")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Luca Bianchi")));
    const qint64 mario = idOf("Mario Rossi");
    archive->setActor({"studio-1", "bruno", ""});
    doing("move");
    ASSERT_TRUE(store->move(mario, QDate(2024, 12, 5), 1, 720));

    const QList<ActivityEntry> history = serverArchive().logOf("appointment", mario);
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history[0].action, "book");
    EXPECT_EQ(history[1].action, "move");
    EXPECT_EQ(history[1].computer, "studio-1");

    const auto numbers = [](const QList<ActivityEntry>& page) {
        QList<qint64> out;
        for (const ActivityEntry& e : page)
            out << e.n;
        return out;
    };
    const auto page = [&](const std::function<void(LogFilter&)>& set) {
        LogFilter filter;
        set(filter);
        return numbers(serverArchive().logPage(filter, 10));
    };
    EXPECT_EQ(numbers(serverArchive().logPage({}, 2)), (QList<qint64>{3, 2}));
    EXPECT_EQ(page([](LogFilter& f) { f.before = 2; }), (QList<qint64>{1}));
    EXPECT_EQ(page([](LogFilter& f) { f.action = "book"; }), (QList<qint64>{2, 1}));
    EXPECT_EQ(page([](LogFilter& f) { f.computer = "studio-1"; }), (QList<qint64>{3}));
    EXPECT_EQ(page([](LogFilter& f) { f.patient = "luca BIANCHI"; }), (QList<qint64>{2}));
    // The server's times are UTC; a day is the local one.
    const QDate today = QDateTime::fromString(history[0].at, Qt::ISODateWithMs).toLocalTime().date();
    EXPECT_EQ(page([&](LogFilter& f) { f.day = today; }), (QList<qint64>{3, 2, 1}));
    EXPECT_TRUE(page([&](LogFilter& f) { f.day = today.addDays(-1); }).isEmpty());
}
