#include "AppPaths.h"
#include "Bootstrap.h"
#include "DamagedFiles.h"
#include "Database.h"
#include "Dialogs.h"
#include "TestSupport.h"
#include "Translocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Exited {
    int status;
};

// Start-up with the program installed in <tmp>/app, the process exit replaced by an exception.
class BootstrapTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 8, 30)};
    QTemporaryDir dir;
    QString app = dir.filePath("app");

    void SetUp() override
    {
        QDir().mkpath(app);
        (void)Dialogs::takeShown();
        Bootstrap::setExitHandler([](int status) { throw Exited{status}; });
        AppPaths::setApplicationLocationForTesting(app, app);
        AppPaths::setOverrideDataFolder(std::nullopt);
    }

    void TearDown() override
    {
        Bootstrap::setExitHandler({});
        AppPaths::setApplicationLocationForTesting(std::nullopt, std::nullopt);
        AppPaths::setOverrideDataFolder(std::nullopt);
        Translocation::setPlatformForTesting(std::nullopt);
    }

    // The exit status of a start that ends the process, with the alert it showed.
    static std::pair<int, DialogRequest> failedStart()
    {
        Dialogs::answerNext(0);
        try {
            (void)Bootstrap::openDatabase();
        } catch (const Exited& e) {
            const QList<DialogRequest> shown = Dialogs::takeShown();
            return {e.status, shown.isEmpty() ? DialogRequest{} : shown.last()};
        }
        ADD_FAILURE() << "the start went on";
        return {-1, {}};
    }
};

// Runs body in a child process, as the unprivileged user "nobody" when we are root (root ignores
// permission bits); returns the child's exit status.
int runUnprivileged(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(97);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(BootstrapTest, newDataFolderGetsDatabaseAndTodaysBackup)
{
    const QString data = dir.filePath("altrove/Dati prova");
    AppPaths::setOverrideDataFolder(data);
    const std::unique_ptr<Database> db = Bootstrap::openDatabase();
    EXPECT_EQ(db->path(), data + "/calvora.sqlite");
    EXPECT_EQ(db->query("SELECT COUNT(*) FROM dentists", {}, [](const SQLRow& r) { return r.integer(0); }).value(0), 3);
    EXPECT_TRUE(QFileInfo::exists(data + "/Backup/calvora-2026-03-09.sqlite"));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati")); // the default folder is not touched
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
}

TEST_F(BootstrapTest, plainFileWhereTheDataFolderShouldBe)
{
    TestSupport::writeFile(app + "/Dati", "non una cartella");
    const auto [status, alert] = failedStart();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_EQ(alert.icon, QMessageBox::Critical);
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].text, "Esci");
    const QString tail = "\n\nPercorso: " + app + "/Dati/calvora.sqlite"
        + "\n\nVerifica che la cartella del programma non sia in sola lettura.";
    EXPECT_TRUE(alert.message.endsWith(tail)) << alert.message.toStdString();
    EXPECT_GT(alert.message.size(), tail.size()); // the file system's description comes first
}

TEST_F(BootstrapTest, fileThatIsNotADatabaseIsReportedAndLeftAlone)
{
    QDir().mkpath(app + "/Dati");
    const QString path = app + "/Dati/calvora.sqlite";
    TestSupport::writeFile(path, QByteArray("appunti della segreteria\n").repeated(300));
    const QByteArray before = TestSupport::fileDigest(path);
    const auto [status, alert] = failedStart();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(alert.message, "file is not a database\n\nPercorso: " + path
                                 + "\n\nVerifica che la cartella del programma non sia in sola lettura.");
    EXPECT_EQ(TestSupport::fileDigest(path), before);
}

TEST_F(BootstrapTest, damagedDatabaseFilesStopTheStartAndAreLeftAlone)
{
    QDir().mkpath(app + "/Dati");
    const QString path = app + "/Dati/calvora.sqlite";
    QTemporaryDir damaged;
    const QList<DamagedFiles::Variant> variants = DamagedFiles::make(damaged.path());
    ASSERT_FALSE(variants.isEmpty());
    for (const DamagedFiles::Variant& variant : variants) {
        SCOPED_TRACE(variant.label.toStdString());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(variant.path, path));
        const QByteArray before = TestSupport::fileDigest(path);
        const auto [status, alert] = failedStart();
        EXPECT_EQ(status, 1);
        EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
        EXPECT_TRUE(alert.message.contains("\n\nPercorso: " + path)) << alert.message.toStdString();
        EXPECT_EQ(TestSupport::fileDigest(path), before);
        EXPECT_FALSE(QFileInfo::exists(app + "/Dati/Backup")); // no backup of a damaged file
    }
}

TEST_F(BootstrapTest, readOnlyApplicationFolderWithoutDataFolder)
{
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    QFile::setPermissions(app, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                                   | QFile::ReadGroup | QFile::ExeGroup);
    // The alert names the application's folder; nothing is created.
    const int missing = runUnprivileged([] {
        Dialogs::answerNext(0);
        Bootstrap::setExitHandler([](int status) {
            const QList<DialogRequest> shown = Dialogs::takeShown();
            const bool right = shown.size() == 1 && shown[0].title == "Copia Calvora sul Mac"
                && shown[0].message.endsWith(QStringLiteral("Trascina la cartella \"app\" in Applicazioni, poi apri "
                                                            "l'app da lì."))
                && shown[0].message.startsWith("Il programma si trova in una posizione in sola lettura");
            _exit(right ? status : 90);
        });
        (void)Bootstrap::openDatabase();
        return 91;
    });
    EXPECT_EQ(missing, 1);
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    // With the data folder in place no writability test is made: the start goes on.
    QFile::setPermissions(app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(app + "/Dati");
    QFile::setPermissions(app + "/Dati", QFileDevice::Permissions(0x7777));
    QFile::setPermissions(app, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                                   | QFile::ReadGroup | QFile::ExeGroup);
    const int present = runUnprivileged([] {
        Bootstrap::setExitHandler([](int) { _exit(92); });
        return Bootstrap::openDatabase() ? 0 : 93;
    });
    EXPECT_EQ(present, 0);
    QFile::setPermissions(app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(BootstrapTest, translocatedStartRelaunchesFromTheUsersCopy)
{
    const QString temporary = "/private/var/folders/xy/T/AppTranslocation/1A2B/d/Calvora.app";
    const QString original = "/Users/studio/Applicazioni/Calvora Dentistico/Calvora.app";
    AppPaths::setApplicationLocationForTesting(temporary, app);
    QStringList calls;
    std::optional<QString> answer = original;
    Translocation::setPlatformForTesting(Translocation::Platform{
        [&](const QString& path) {
            calls << "lookup " + path;
            return answer;
        },
        [&](const QString& path) { calls << "xattr " + path; },
        [&](const QString& path) { calls << "open " + path; }});

    Dialogs::answerNext(1); // "Esci"
    try {
        (void)Bootstrap::openDatabase();
        FAIL();
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 0);
    }
    DialogRequest asked = Dialogs::takeShown().value(0);
    EXPECT_EQ(asked.title, "Completamento dell'installazione");
    EXPECT_EQ(asked.message, "Calvora deve essere riaperto dalla cartella in cui l'hai copiato:\n"
                             "/Users/studio/Applicazioni/Calvora Dentistico\n\nPremi Continua: l'operazione si fa "
                             "una sola volta.");
    EXPECT_EQ(asked.buttons.value(0).text, "Continua");
    EXPECT_EQ(asked.buttons.value(1).text, "Esci");
    EXPECT_EQ(calls, QStringList{"lookup " + temporary});

    calls.clear();
    Dialogs::answerNext(0); // "Continua": the mark is cleared before the new instance starts
    EXPECT_THROW((void)Bootstrap::openDatabase(), Exited);
    EXPECT_EQ(calls, (QStringList{"lookup " + temporary, "xattr " + original, "open " + original}));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    for (const std::optional<QString>& lookup : {std::optional<QString>(), std::optional<QString>(temporary)}) {
        answer = lookup;
        const auto [status, alert] = failedStart();
        EXPECT_EQ(status, 1);
        EXPECT_EQ(alert.title, "Installazione non completata");
        EXPECT_TRUE(alert.message.contains("\"Calvora Dentistico\""));
    }

    // Without "/AppTranslocation/" in the path the platform is never asked.
    calls.clear();
    AppPaths::setApplicationLocationForTesting(app + "/Calvora.app", app);
    EXPECT_TRUE(Bootstrap::openDatabase());
    EXPECT_TRUE(calls.isEmpty());
}
