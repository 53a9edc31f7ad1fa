#include "AppPaths.h"
#include "Bootstrap.h"
#include "DamagedFiles.h"
#include "Database.h"
#include "Dialogs.h"
#include "Store.h"
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

const QString readOnlyHint = "\n\nVerifica che la cartella del programma non sia in sola lettura.";

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

    // The exit status of a start that ends the process (-1: the start went on).
    static int exitStatus()
    {
        try {
            (void)Bootstrap::openDatabase();
        } catch (const Exited& e) {
            return e.status;
        }
        return -1;
    }

    // The alert of a start that ends the process with status 1.
    static DialogRequest failedStart()
    {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        EXPECT_EQ(exitStatus(), 1);
        const QList<DialogRequest> shown = Dialogs::takeShown();
        return shown.value(shown.size() - 1);
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

// A practice that added a dentist, retired one and closed some days: the file still opens the usual way
// (and its daily backup carries all of it).
TEST_F(BootstrapTest, aFileWithAFourthDentistARetiredOneAndClosedDaysOpens)
{
    const QString data = dir.filePath("Dati");
    {
        QDir().mkpath(data);
        Database db(data + "/calvora.sqlite");
        Store store(db);
        ASSERT_FALSE(store.addDentist());
        ASSERT_FALSE(store.retireDentist(2, QDate(2026, 1, 5)));
        ASSERT_FALSE(store.setClosedPeriods(ClosedDays::italianHolidays(2026)));
    }
    AppPaths::setOverrideDataFolder(data);
    const std::unique_ptr<Database> db = Bootstrap::openDatabase();
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
    Store reopened(*db);
    EXPECT_EQ(reopened.dentists().size(), 4);
    EXPECT_EQ(reopened.visibleDentists().size(), 3);
    EXPECT_EQ(reopened.closedPeriodOn(QDate(2026, 4, 6))->reason, "Lunedì dell'Angelo");
    Database backup(data + "/Backup/calvora-2026-03-09.sqlite");
    EXPECT_EQ(Store(backup).dentists(), reopened.dentists());
}

TEST_F(BootstrapTest, unusableDataFolderOrFileStopsTheStartAndIsLeftAlone)
{
    const QString path = app + "/Dati/calvora.sqlite";
    // A plain file where the data folder should be: the file system's description, then the path.
    TestSupport::writeFile(app + "/Dati", "non una cartella");
    DialogRequest alert = failedStart();
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_EQ(alert.icon, QMessageBox::Critical);
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].text, "Esci");
    const QString tail = "\n\nPercorso: " + path + readOnlyHint;
    EXPECT_TRUE(alert.message.endsWith(tail)) << alert.message.toStdString();
    EXPECT_GT(alert.message.size(), tail.size());

    // Damaged databases and a text file: no backup of them, not a byte changed.
    QFile::remove(app + "/Dati");
    QDir().mkpath(app + "/Dati");
    QTemporaryDir damaged;
    QList<DamagedFiles::Variant> variants = DamagedFiles::make(damaged.path());
    ASSERT_FALSE(variants.isEmpty());
    variants.append({"testo", damaged.filePath("testo.sqlite")});
    TestSupport::writeFile(variants.last().path, QByteArray("appunti della segreteria\n").repeated(300));
    for (const DamagedFiles::Variant& variant : variants) {
        SCOPED_TRACE(variant.label.toStdString());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(variant.path, path));
        const QByteArray before = TestSupport::fileDigest(path);
        alert = failedStart();
        EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
        EXPECT_TRUE(alert.message.endsWith(tail)) << alert.message.toStdString();
        const QString error = alert.message.section(u'\n', 0, 0);
        EXPECT_TRUE(error == "database disk image is malformed" || error == "file is not a database"
                    || error.startsWith("malformed database schema"));
        EXPECT_EQ(TestSupport::fileDigest(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + "-journal"));
        EXPECT_FALSE(QFileInfo::exists(app + "/Dati/Backup"));
    }
    EXPECT_EQ(alert.message, "file is not a database" + tail);
}

TEST_F(BootstrapTest, readOnlyApplicationFolderWithoutDataFolder)
{
    const auto readOnly = [](const QString& folder) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                          | QFile::ReadOther | QFile::ExeOther);
    };
    QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
    readOnly(app);
    // The alert names the application's folder; nothing is created.
    const int missing = runUnprivileged([] {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        Bootstrap::setExitHandler([](int status) {
            const QList<DialogRequest> shown = Dialogs::takeShown();
            const bool right = shown.size() == 1 && shown[0].title == "Copia Calvora sul Mac"
                && shown[0].message.startsWith("Il programma si trova in una posizione in sola lettura")
                && shown[0].message.endsWith(
                    QStringLiteral("Trascina la cartella \"app\" in Applicazioni, poi apri l'app da lì."));
            _exit(right ? status : 90);
        });
        (void)Bootstrap::openDatabase();
        return 91;
    });
    EXPECT_EQ(missing, 1);
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    // With the data folder in place no writability test is made: the start goes on.
    QFile::setPermissions(app, QFileDevice::Permissions(0x7700));
    QDir().mkpath(app + "/Dati");
    QFile::setPermissions(app + "/Dati", QFileDevice::Permissions(0x7777));
    readOnly(app);
    const int present = runUnprivileged([] {
        Bootstrap::setExitHandler([](int) { _exit(92); });
        return Bootstrap::openDatabase() ? 0 : 93;
    });
    EXPECT_EQ(present, 0);
    QFile::setPermissions(app, QFileDevice::Permissions(0x7700));
}

TEST_F(BootstrapTest, translocatedStartRelaunchesFromTheUsersCopy)
{
    const QString temporary = "/private/var/folders/xy/T/AppTranslocation/1A2B/d/Calvora.app";
    const QString original = "/Users/studio/Applicazioni/Calvora Dentistico/Calvora.app";
    AppPaths::setApplicationLocationForTesting(temporary, app);
    QStringList calls;
    std::optional<QString> answer = original;
    const auto log = [&calls](const QString& what) {
        return [&calls, what](const QString& path) { calls << what + path; };
    };
    Translocation::setPlatformForTesting(Translocation::Platform{
        [&](const QString& path) { return log("lookup ")(path), answer; }, log("xattr "), log("open ")});

    Dialogs::answerNext(QMessageBox::RejectRole); // "Esci"
    EXPECT_EQ(exitStatus(), 0);
    const DialogRequest asked = Dialogs::takeShown().value(0);
    EXPECT_EQ(asked.title, "Completamento dell'installazione");
    EXPECT_EQ(asked.message, "Calvora deve essere riaperto dalla cartella in cui l'hai copiato:\n"
                             "/Users/studio/Applicazioni/Calvora Dentistico\n\nPremi Continua: l'operazione si fa "
                             "una sola volta.");
    EXPECT_EQ(asked.buttons.value(0).text, "Continua");
    EXPECT_EQ(asked.buttons.value(1).text, "Esci");
    EXPECT_EQ(calls, QStringList{"lookup " + temporary});

    calls.clear();
    Dialogs::answerNext(QMessageBox::AcceptRole); // "Continua": the mark is cleared before the new instance starts
    EXPECT_NE(exitStatus(), -1);
    EXPECT_EQ(calls, (QStringList{"lookup " + temporary, "xattr " + original, "open " + original}));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    for (const std::optional<QString>& lookup : {std::optional<QString>(), std::optional<QString>(temporary)}) {
        answer = lookup;
        const DialogRequest alert = failedStart();
        EXPECT_EQ(alert.title, "Installazione non completata");
        EXPECT_TRUE(alert.message.contains("\"Calvora Dentistico\""));
    }

    // Without "/AppTranslocation/" in the path the platform is never asked.
    calls.clear();
    AppPaths::setApplicationLocationForTesting(app + "/Calvora.app", app);
    EXPECT_TRUE(Bootstrap::openDatabase());
    EXPECT_TRUE(calls.isEmpty());
}
