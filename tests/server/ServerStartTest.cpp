// Starting the program on a server and setting the server line from the settings window.
#include "AgendaArchive.h"
#include "AppPaths.h"
#include "Bootstrap.h"
#include "CalvoraApp.h"
#include "Dialogs.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ServerSetup.h"
#include "SettingsView.h"
#include "Store.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

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
    const std::unique_ptr<PgConnection> agenda = server.connect("agenda1");
    agenda->execute("UPDATE calvora_schema SET version = 2");
    const QString rowVersions = "SELECT string_agg(xmin::text, ',') FROM (SELECT xmin FROM calvora_schema UNION ALL "
                                "SELECT xmin FROM dentists UNION ALL SELECT xmin FROM settings) AS everything";
    const QString before = agenda->query(rowVersions).text(0, 0);
    alert = failedStart();
    EXPECT_EQ(alert.message, "L'archivio è stato creato o aggiornato da una versione più recente di Calvora (formato "
                             "2; questa versione di Calvora conosce fino al formato 1).\n\nRiga di connessione: "
                                 + upgraded
                                 + " (dall'opzione --server)\n\nL'archivio non è stato modificato. Per usarlo, "
                                   "installa su questo computer la versione di Calvora che lo ha aggiornato, la stessa "
                                   "degli altri computer che lo usano.");
    EXPECT_EQ(agenda->query(rowVersions).text(0, 0), before);
    EXPECT_EQ(agenda->query("SELECT version FROM calvora_schema").integer(0, 0), 2);

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
