// Starting the program on a server, setting the server line from the settings window, and moving a
// practice's agenda onto the server from the command line and the settings window.
#include "AgendaArchive.h"
#include "AppPaths.h"
#include "Bootstrap.h"
#include "CalvoraApp.h"
#include "Database.h"
#include "Dialogs.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ServerSetup.h"
#include "SettingsView.h"
#include "Store.h"
#include "TestAuthority.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <tuple>

namespace {

struct Exited {
    int status;
};

class ServerStartTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 8, 30)};
    PgTestServer server;
    QTemporaryDir dir;
    QString data = dir.filePath("Dati");

    void SetUp() override
    {
        (void)Dialogs::takeShown();
        Bootstrap::setExitHandler([](int status) { throw Exited{status}; });
        AppPaths::setOverrideDataFolder(data);
        ServerSetup::setCommandLineLine(std::nullopt);
    }

    void TearDown() override
    {
        Bootstrap::setExitHandler({});
        AppPaths::setOverrideDataFolder(std::nullopt);
        ServerSetup::setCommandLineLine(std::nullopt);
    }

    // The alert of a start that ends the process with status 1.
    static DialogRequest failedStart()
    {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        try {
            (void)Bootstrap::openArchive();
            ADD_FAILURE() << "the start went on";
        } catch (const Exited& e) {
            EXPECT_EQ(e.status, 1);
        }
        const QList<DialogRequest> shown = Dialogs::takeShown();
        return shown.value(shown.size() - 1);
    }
};

} // namespace

TEST_F(ServerStartTest, eachReasonNotToStartGetsTheAlertAndItsOwnMessage)
{
    const QString file = data + "/server.txt";
    QDir().mkpath(data);
    TestSupport::writeFile(file, "# prova\n\nhost=server dbname\n");
    DialogRequest alert = failedStart();
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_TRUE(alert.message.startsWith("La riga di connessione non è valida (")) << alert.message.toStdString();
    EXPECT_TRUE(alert.message.contains("Riga di connessione: host=server dbname (dal file " + file + ")"));
    EXPECT_TRUE(alert.message.endsWith("elimina il file " + file + "."));

    QFile::remove(file);
    ServerSetup::setCommandLineLine("host=" + dir.filePath("nessuno") + " dbname=calvora");
    alert = failedStart();
    EXPECT_TRUE(alert.message.startsWith("Impossibile usare il server dell'archivio: ")) << alert.message.toStdString();
    EXPECT_TRUE(alert.message.contains("(dall'opzione --server)"));

    server.connect("postgres")->execute("CREATE ROLE intruso LOGIN PASSWORD 'segreta'");
    ServerSetup::setCommandLineLine(server.line("postgres", "intruso"));
    alert = failedStart();
    EXPECT_TRUE(alert.message.startsWith("Impossibile usare il server dell'archivio: il server chiede una password "
                                         "per l'utente «intruso», ma il file delle password di PostgreSQL"))
        << alert.message.toStdString();

    // Tables that a newer Calvora upgraded: refused with their own advice, and not written to.
    const QString upgraded = server.createDatabase();
    ServerSetup::setCommandLineLine(upgraded);
    ASSERT_TRUE(Bootstrap::openArchive());
    // A new agenda's log is not yet guarded: said over the agenda once it opens.
    EXPECT_TRUE(Bootstrap::takeStartNotice().value_or(QString()).contains("non è ancora protetto"));
    const std::unique_ptr<PgConnection> agenda = server.connect("agenda1");
    const int newer = ServerSchema::currentVersion + 1;
    agenda->query("UPDATE calvora_schema SET version = $1", {newer});
    const QString rowVersions = "SELECT string_agg(xmin::text, ',') FROM (SELECT xmin FROM calvora_schema UNION ALL "
                                "SELECT xmin FROM dentists UNION ALL SELECT xmin FROM settings) AS everything";
    const QString before = agenda->query(rowVersions).text(0, 0);
    alert = failedStart();
    EXPECT_EQ(alert.message, QString("L'archivio è stato creato o aggiornato da una versione più recente di Calvora (formato "
                             "%1; questa versione di Calvora conosce fino al formato %2).\n\nRiga di connessione: ")
                                     .arg(newer)
                                     .arg(ServerSchema::currentVersion)
                                 + upgraded
                                 + " (dall'opzione --server)\n\nL'archivio non è stato modificato. Per usarlo, "
                                   "installa su questo computer la versione di Calvora che lo ha aggiornato, la stessa "
                                   "degli altri computer che lo usano.");
    EXPECT_EQ(agenda->query(rowVersions).text(0, 0), before);
    EXPECT_EQ(agenda->query("SELECT version FROM calvora_schema").integer(0, 0), newer);

    ServerSetup::setCommandLineLine(server.line("postgres"));
    server.connect("postgres")->execute("CREATE TABLE fatture (numero integer)");
    alert = failedStart();
    EXPECT_TRUE(alert.message.startsWith("Impossibile usare il server dell'archivio: " + ServerSchema::foreignText()))
        << alert.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(data + "/calvora.sqlite"));
}

TEST_F(ServerStartTest, aStartOnTheServerTakesTheDailyBackupAndTheSettingsWindowSetsTheLine)
{
    const QString line = server.createDatabase();
    QDir().mkpath(data);
    TestSupport::writeFile(data + "/server.txt", ("# server dello studio\n" + line + "\n").toUtf8());
    CalvoraApp shell;
    EXPECT_TRUE(shell.store().onServer());
    EXPECT_EQ(shell.store().dentists().size(), 3);
    EXPECT_TRUE(QFileInfo::exists(data + "/Backup/calvora-2026-03-09.sqlite"));
    EXPECT_FALSE(QFileInfo::exists(data + "/calvora.sqlite"));

    shell.showSettings();
    SettingsView* view = shell.settingsWindow();
    ASSERT_TRUE(view);
    auto* location = view->findChild<QLineEdit*>("databasePath");
    EXPECT_TRUE(location->text().startsWith("database «agenda1» su socket locale " + server.socketFolder()))
        << location->text().toStdString();
    EXPECT_FALSE(view->findChild<QPushButton*>("revealButton"));
    auto* field = view->findChild<QLineEdit*>("serverLine");
    EXPECT_EQ(field->text(), line);
    const auto click = [&](const char* name) {
        QTest::mouseClick(view->findChild<QPushButton*>(name), Qt::LeftButton);
        return view->serverMessage();
    };

    field->setText(line + " password=segreta");
    EXPECT_TRUE(click("serverSave").startsWith("La riga di connessione contiene una password"));
    field->setText(server.line("inesistente"));
    EXPECT_TRUE(click("serverTest").startsWith("Connessione non riuscita: ")) << view->serverMessage().toStdString();
    field->setText(server.line("postgres"));
    EXPECT_EQ(click("serverTest"), "Connessione riuscita: database «postgres» su socket locale " + server.socketFolder()
                                       + ", utente «postgres». Il database è vuoto: Calvora vi creerà l'archivio al "
                                         "primo avvio.");
    EXPECT_EQ(click("serverSave"), "Riga salvata in server.txt: Calvora userà il server. Vale dal prossimo avvio di "
                                   "Calvora.");
    EXPECT_EQ(ServerSetup::savedLine(), server.line("postgres"));
    EXPECT_EQ(click("serverRemove"), "Riga rimossa: Calvora userà il file calvora.sqlite della cartella Dati. Vale dal "
                                     "prossimo avvio di Calvora.");
    EXPECT_FALSE(QFileInfo::exists(data + "/server.txt"));
    EXPECT_EQ(field->text(), QString());
    // The window's own message about backups speaks of the server.
    EXPECT_TRUE(view->findChild<QLabel*>("backupNote")->text().startsWith("L'agenda è su un server condiviso"));
}

// Moving the practice onto the server with the program's own command: Italian lines, exit status 0
// when copied and 1 when not, 2 without a line.
TEST_F(ServerStartTest, theCommandCopiesTheDataFolderOntoTheServerOnceAndSaysSo)
{
    QDir().mkpath(data);
    {
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
                 "(1, '2026-03-09', 540, 30, 'Anna Verdi'), (2, '2026-03-10', 600, 45, 'Mario Rossi')");
    }
    const QString line = server.createDatabase();
    const auto copy = [&](const QStringList& arguments) {
        QProcess program;
        program.start(CALVORA_PROGRAM, arguments);
        EXPECT_TRUE(program.waitForFinished(60000));
        return std::tuple(program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                          QString::fromUtf8(program.readAllStandardError()));
    };
    auto [status, out, err] = copy({"--copy-to-server", line, "--data-dir", data});
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_EQ(out, "Copia di " + data + "/calvora.sqlite sul server in corso…\nCopia riuscita: 3 dentisti, 1 "
                   "impostazione e 2 appuntamenti sono ora sul server (contati di nuovo sul server dopo la copia). "
                   "Ogni computer usa il server dopo aver salvato questa riga nelle Impostazioni, al successivo avvio "
                   "di Calvora.\n");
    EXPECT_EQ(server.connect("agenda1")->query("SELECT string_agg(patient, ', ' ORDER BY id) FROM appointments").text(0, 0),
              "Anna Verdi, Mario Rossi");

    std::tie(status, out, err) = copy({"--data-dir", data, "--copy-to-server", line});
    EXPECT_EQ(status, 1);
    // The reason's own words are the copy's tests'.
    EXPECT_TRUE(err.startsWith("Copia non riuscita: il database del server contiene già 2 appuntamenti"));
    EXPECT_TRUE(err.endsWith(". Sul server non è stato scritto nulla.\n")) << err.toStdString();
    std::tie(status, out, err) = copy({"--copy-to-server", line + " password=segreta", "--data-dir", data});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("La riga di connessione contiene una password")) << err.toStdString();
    std::tie(status, out, err) = copy({"--data-dir", data, "--copy-to-server"});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(err.startsWith("Uso: calvora --copy-to-server")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(data + "/server.txt"));
}

// The same from the settings window of a program working on its file, after a confirmation.
TEST_F(ServerStartTest, theSettingsWindowCopiesTheAgendaAfterAConfirmation)
{
    CalvoraApp shell;
    ASSERT_FALSE(shell.store().onServer());
    ASSERT_FALSE(shell.store().save({0, 1, "2026-03-10", 540, 30, "Anna Verdi", {}, {}, {}}));
    const QString line = server.createDatabase();
    shell.showSettings();
    SettingsView* view = shell.settingsWindow();
    view->findChild<QLineEdit*>("serverLine")->setText(line);
    auto* copyButton = view->findChild<QPushButton*>("serverCopy");
    ASSERT_TRUE(copyButton);
    const auto onServer = [&] { return server.connect("agenda1")->query("SELECT count(*) FROM pg_tables WHERE "
                                                                       "tablename = 'appointments'").integer(0, 0); };

    Dialogs::answerNext(QMessageBox::RejectRole);
    QTest::mouseClick(copyButton, Qt::LeftButton);
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Copiare l'archivio di questo computer sul server?");
    EXPECT_EQ(onServer(), 0);
    EXPECT_EQ(view->serverMessage(), QString());

    Dialogs::answerNext(QMessageBox::AcceptRole);
    QTest::mouseClick(copyButton, Qt::LeftButton);
    EXPECT_TRUE(view->serverMessage().startsWith("Copia riuscita: 3 dentisti, 1 impostazione e 1 appuntamento sono "
                                                 "ora sul server"))
        << view->serverMessage().toStdString();
    EXPECT_EQ(server.connect("agenda1")->query("SELECT patient FROM appointments").text(0, 0), "Anna Verdi");
    // The program itself goes on with its file until the line is saved and it starts again.
    EXPECT_FALSE(shell.store().onServer());
    EXPECT_FALSE(QFileInfo::exists(data + "/server.txt"));
}

// A server whose certificate no root vouches for: "Prova connessione" shows the fingerprint and, when
// confirmed, keeps it beside the line; a start then connects, until the server shows another one.
TEST_F(ServerStartTest, theSettingsWindowConfirmsTheCertificateAndTheStartRefusesAnother)
{
    TestAuthority practice("Autorita dello studio");
    const TestAuthority::Issued issued = practice.issue();
    PgTestServer tls(PgTestServer::Tcp{issued.certificate, issued.key});
    const QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const QString line = tls.tcpLine("postgres");
    const QString endpoint = "localhost:" + QString::number(tls.port());

    CalvoraApp shell;
    shell.showSettings();
    SettingsView* view = shell.settingsWindow();
    view->findChild<QLineEdit*>("serverLine")->setText(line);
    const auto test = [&](QMessageBox::ButtonRole answer) {
        Dialogs::answerNext(answer);
        QTest::mouseClick(view->findChild<QPushButton*>("serverTest"), Qt::LeftButton);
        return Dialogs::takeShown();
    };
    QList<DialogRequest> asked = test(QMessageBox::RejectRole);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Confermare il certificato del server?");
    EXPECT_TRUE(asked[0].message.contains(TestAuthority::fingerprint(issued.certificate)));
    EXPECT_TRUE(view->serverMessage().startsWith("Connessione non riuscita: l'identità del server " + endpoint))
        << view->serverMessage().toStdString();
    EXPECT_FALSE(QFileInfo::exists(ServerSetup::fingerprintsPath()));

    asked = test(QMessageBox::AcceptRole);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(view->serverMessage(), "Impronta del certificato confermata e salvata in server-fingerprints.txt. "
                                     "Connessione riuscita: database «postgres» su "
                                         + endpoint
                                         + ", utente «postgres», cifrata e con il certificato del server confermato "
                                           "dalla sua impronta. Il database è vuoto: Calvora vi creerà l'archivio al "
                                           "primo avvio.");
    QTest::mouseClick(view->findChild<QPushButton*>("serverSave"), Qt::LeftButton);
    EXPECT_TRUE(Bootstrap::openArchive());
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());

    const TestAuthority::Issued renewed = practice.issue();
    tls.replaceCertificate(renewed.certificate, renewed.key);
    const DialogRequest alert = failedStart();
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_TRUE(alert.message.startsWith("Impossibile usare il server dell'archivio: il certificato del server "
                                         + endpoint + " non è quello confermato su questo computer"))
        << alert.message.toStdString();
    EXPECT_TRUE(alert.message.contains("Calvora affida l'agenda solo a un server di cui ha verificato l'identità"));
    EXPECT_FALSE(alert.message.contains("Verifica che il server sia acceso"));
    qputenv("HOME", savedHome);
}
