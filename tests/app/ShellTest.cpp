#include "AppPaths.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "CommandLine.h"
#include "Database.h"
#include "Scalar.h"
#include "SettingsView.h"
#include "SqliteArchive.h"
#include "Store.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(CommandLine, optionsAreWholeCaseSensitiveArguments)
{
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(CommandLine::dataFolder({"calvora", "--data-dir", "prova"}), cwd + "/prova");
    EXPECT_EQ(CommandLine::dataFolder({"calvora", "--data-dir", "/a", "--data-dir", "/b"}), "/a");
    EXPECT_EQ(CommandLine::dataFolder({"calvora", "--data-dir", "--self-test"}), cwd + "/--self-test");
    EXPECT_FALSE(CommandLine::dataFolder({"calvora", "--data-dir"}));
    EXPECT_FALSE(CommandLine::dataFolder({"calvora", "--DATA-DIR", "/a", "--data-dir=/b"}));
    EXPECT_TRUE(CommandLine::selfTest({"--self-test", "calvora"}));
    EXPECT_FALSE(CommandLine::selfTest({"calvora", "--selftest"}));
    EXPECT_EQ(CommandLine::screenshotFolder({"calvora", "--screenshots", "/tmp/x"}), "/tmp/x");
}

TEST(Shell, agendaWindowOnTheSharedStore)
{
    static QTemporaryDir data; // the process-wide database lives as long as the process
    AppPaths::setOverrideDataFolder(data.path());
    CalvoraApp shell;
    CalvoraView& window = shell.agendaWindow();
    EXPECT_FALSE(shell.store().saveSettings("Studio Sorriso", shell.store().dentists()));
    EXPECT_EQ(window.windowTitle(), "Studio Sorriso");

    // One settings window, whatever the number of requests.
    shell.showSettings();
    SettingsView* settings = shell.settingsWindow();
    ASSERT_TRUE(settings);
    shell.showSettings();
    EXPECT_EQ(shell.settingsWindow(), settings);
    settings->close();

    // Closing the last window ends the application.
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    QTimer::singleShot(10000, qApp, [] { QApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    AppPaths::setOverrideDataFolder(std::nullopt);
}

// The start reads the activity log's chain beside the agenda and says over it that the chain is broken,
// without stopping it.
TEST(Shell, aBrokenLogIsSaidOverTheWorkingAgenda)
{
    static QTemporaryDir data; // the process-wide database lives as long as the process
    {
        SqliteArchive archive(std::make_unique<Database>(data.filePath("calvora.sqlite")));
        archive.writeSetting("studio_name", QString("Studio Sorriso"));
        archive.writeSetting("studio_name", QString("Studio Bianchi"));
    }
    Database(data.filePath("calvora.sqlite")).run("UPDATE activity_log SET details = '{}' WHERE n = 1");
    AppPaths::setOverrideDataFolder(data.path());
    CalvoraApp shell;
    EXPECT_EQ(shell.store().studioName(), "Studio Bianchi");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shell.store().alertMessage().has_value(); }, 10000));
    EXPECT_TRUE(shell.store().alertMessage().value_or("").startsWith("Registro alterato: la voce 1 è stata modificata.\n"))
        << shell.store().alertMessage().value_or("").toStdString();
    EXPECT_FALSE(shell.store().save(Appointment{0, 1, "2030-01-07", 600, 30, "Anna Verdi", {}, {}, {}}));
    AppPaths::setOverrideDataFolder(std::nullopt);
}

TEST(ScreenshotMode, writesPicturesOfAScratchFolderWithoutADisplay)
{
    QTemporaryDir dir;
    QProcess program;
    program.start(CALVORA_EXECUTABLE, {"--screenshots", dir.filePath("foto"), "--data-dir", dir.filePath("prova")});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    for (const char* name : {"settimana.png", "giorno.png", "editor-nuovo.png", "editor-modifica.png", "dentista.png",
                             "ricerca.png", "impostazioni-studio.png", "impostazioni-dentisti.png",
                             "impostazioni-chiusure.png", "impostazioni-promemoria.png", "impostazioni-richiami.png",
                             "impostazioni-messaggio-richiamo.png", "impostazioni-archivio.png", "impostazioni-server.png",
                             "conferma-eliminazione.png", "trascinamento.png", "da-confermare.png",
                             "intestazioni-cinque-dentisti.png", "chiave-ripristino.png",
                             "stampa-settimana-1-pagina.pdf", "stampa-settimana-fronte-retro.pdf", "stampa-giorno.pdf"})
        EXPECT_GT(QFileInfo(dir.filePath("foto/") + name).size(), 3000) << name;
    // A field and one line of hint: a small picture, but one.
    EXPECT_GT(QFileInfo(dir.filePath("foto/ricerca-in-corso.png")).size(), 1000);
    Database scratch(dir.filePath("prova/calvora.sqlite"));
    EXPECT_GT(TestSupport::integer(scratch, "SELECT COUNT(*) FROM appointments"), 30);

    // Never on the real data folder.
    program.start(CALVORA_EXECUTABLE, {"--screenshots", dir.filePath("altre")});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("altre")));
}
