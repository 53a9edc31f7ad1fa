#include "Bootstrap.h"

#include "AppPaths.h"
#include "Backup.h"
#include "BackupFolder.h"
#include "Cal.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "Dialogs.h"
#include "ServerArchive.h"
#include "ServerSetup.h"
#include "SqliteArchive.h"
#include "Store.h"
#include "Translocation.h"

#include <QFileInfo>

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace {

std::function<void(int)>& exitHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

[[noreturn]] void exitProcess(int status)
{
    if (exitHandler())
        exitHandler()(status);
    std::exit(status);
}

// Empty on success, else the file system's own description of the failure.
QString createFolder(const QString& path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), error);
    if (!error && !QFileInfo(path).isDir())
        error = std::make_error_code(std::errc::not_a_directory);
    return error ? QString::fromLocal8Bit(error.message().c_str()) : QString();
}

const QString openFailureTitle = QStringLiteral("Impossibile aprire l'archivio appuntamenti");

[[noreturn]] void failToOpen(const QString& description, const QString& databasePath)
{
    Bootstrap::fail(openFailureTitle, description + QStringLiteral("\n\nPercorso: ") + databasePath
                                          + QStringLiteral("\n\nVerifica che la cartella del programma non sia in "
                                                           "sola lettura."));
}

const QString newerAdvice = QStringLiteral("L'archivio non è stato modificato. Per usarlo, installa su questo computer "
                                           "la versione di Calvora che lo ha aggiornato, la stessa degli altri "
                                           "computer che lo usano.");

// The backups the start took or restored, logged once the store names who works here.
QList<Bootstrap::StartEvent>& startEvents()
{
    static QList<Bootstrap::StartEvent> events;
    return events;
}

// Takes the day's backup unless it is there; a failure must not keep the practice from working.
void dailyBackup(const QString& folder, const std::function<void()>& take)
{
    const bool before = Backup::dailyTaken(folder + QStringLiteral("/Backup"));
    try {
        take();
    } catch (const DatabaseError&) {
        return;
    }
    if (!before && Backup::dailyTaken(folder + QStringLiteral("/Backup")))
        startEvents().append({QStringLiteral("backup"), QJsonObject{{QStringLiteral("kind"), QStringLiteral("daily")}}});
}

// Shown once the agenda window is open, after a start that had to restore a backup.
std::optional<QString>& startNotice()
{
    static std::optional<QString> notice;
    return notice;
}

// "lunedì 9 marzo 2026", "lunedì 9 marzo 2026 alle 14:30".
QString backupMoment(const Backup::Found& backup)
{
    QString text = Cal::format(backup.day, QStringLiteral("EEEEdMMMMy"));
    if (backup.time)
        text += QStringLiteral(" alle ") + backup.time->toString(QStringLiteral("HH:mm"));
    return text;
}

// A damaged file: the newest sound backup is offered in its place; the file itself is never touched.
// Returns only when the receptionist chose to restore it.
Backup::Found offerBackup(const DatabaseError& error, const QString& databasePath)
{
    const QString backupFolder = QFileInfo(databasePath).absolutePath() + QStringLiteral("/Backup");
    const QString damaged = QStringLiteral("L'archivio degli appuntamenti è danneggiato (") + error.message()
        + QStringLiteral(").\n\nPercorso: ") + databasePath;
    const std::optional<Backup::Found> backup = Backup::newestSound(backupFolder);
    if (!backup) {
        Bootstrap::fail(openFailureTitle, damaged + QStringLiteral("\n\nNella cartella ") + backupFolder
                                              + QStringLiteral(" non c'è un backup integro da ripristinare. Non "
                                                               "cancellare il file: chi si occupa dei computer dello "
                                                               "studio può tentare di recuperarlo."));
    }
    const QString backupName = QFileInfo(backup->path).fileName();
    DialogRequest request;
    request.icon = QMessageBox::Critical;
    request.title = openFailureTitle;
    request.message = damaged + QStringLiteral("\n\nL'ultimo backup integro è di ") + backupMoment(*backup)
        + QStringLiteral(" (") + backupName
        + QStringLiteral("). «Ripristina il backup» riapre l'agenda com'era allora; il file danneggiato resta "
                         "nella cartella con un nome datato e non viene cancellato.");
    request.buttons = {{QStringLiteral("Ripristina il backup"), QMessageBox::AcceptRole},
                       {QStringLiteral("Esci"), QMessageBox::RejectRole}};
    request.escapeIndex = 1;
    if (Dialogs::exec(nullptr, request) != 0)
        exitProcess(1);
    return *backup;
}

// Puts the backup in the place of the damaged file, kept aside, and opens it.
std::unique_ptr<Database> restoreBackup(const Backup::Found& backup, const QString& databasePath)
{
    const QString backupName = QFileInfo(backup.path).fileName();
    QString keptAside;
    try {
        keptAside = Backup::restore(backup.path, databasePath);
    } catch (const DatabaseError& failure) {
        const QString advice = failure.kind() == DatabaseError::Kind::InUse
            ? QStringLiteral(". Chiudi Calvora sugli altri computer e riprova")
            : QString();
        Bootstrap::fail(openFailureTitle, QStringLiteral("Impossibile ripristinare il backup ") + backupName
                                              + QStringLiteral(": ") + failure.message() + advice
                                              + QStringLiteral(".\n\nPercorso: ") + databasePath
                                              + QStringLiteral("\n\nIl file danneggiato non è stato modificato."));
    }
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(databasePath);
    } catch (const DatabaseError& failure) {
        failToOpen(failure.message(), databasePath);
    }
    startEvents().append({QStringLiteral("restore"), QJsonObject{{QStringLiteral("file"), backupName},
                                                                 {QStringLiteral("kept_aside"), QFileInfo(keptAside).fileName()}}});
    startNotice() = QStringLiteral("L'archivio degli appuntamenti era danneggiato ed è stato ripristinato dal "
                                   "backup di ")
        + backupMoment(backup) + QStringLiteral(" (") + backupName
        + QStringLiteral("): l'agenda è com'era allora. Controlla gli appuntamenti presi o cambiati dopo e "
                         "inseriscili di nuovo. Il file danneggiato è conservato come ")
        + QFileInfo(keptAside).fileName() + QStringLiteral(" nella cartella ") + QFileInfo(databasePath).absolutePath()
        + u'.';
    return db;
}

std::unique_ptr<Database> restoreOrFail(const DatabaseError& error, const QString& databasePath)
{
    return restoreBackup(offerBackup(error, databasePath), databasePath);
}

const QString reachAdvice = QStringLiteral("Verifica che il server sia acceso e raggiungibile da questo computer e "
                                           "che la riga sia corretta.");

const QString identityAdvice = QStringLiteral(
    "Calvora affida l'agenda solo a un server di cui ha verificato l'identità. Installa su questo computer il "
    "certificato radice dello studio (~/.postgresql/root.crt), oppure conferma l'impronta del certificato del server "
    "in Impostazioni… → Server dell'archivio → «Prova connessione» (per aprire le Impostazioni, avvia Calvora senza "
    "questa riga). Come fare è spiegato nella Guida Calvora.");

[[noreturn]] void failToReachServer(const QString& reason, const ServerSetup::Active& server,
                                    const QString& advice = reachAdvice)
{
    const bool fromFile = server.origin != u"--server";
    Bootstrap::fail(openFailureTitle,
                    Cal::capitalizedFirst(reason) + QStringLiteral(".\n\nRiga di connessione: ") + server.line
                        + (fromFile ? QStringLiteral(" (dal file ") + server.origin + u')'
                                    : QStringLiteral(" (dall'opzione --server)"))
                        + QStringLiteral("\n\n") + advice
                        + (fromFile ? QStringLiteral(" Per tornare all'archivio di questo computer, elimina il file ")
                                          + server.origin + u'.'
                                    : QString()));
}

// Checks where the program runs from and makes the data folder; returns its path.
QString prepareDataFolder()
{
    if (Translocation::isTranslocated(AppPaths::bundlePath()))
        Bootstrap::relaunchFromOriginalLocation();

    const QString folder = AppPaths::dataFolder();
    const QString appFolder = AppPaths::applicationFolder();
    if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink() && !Bootstrap::isWritable(appFolder)) {
        Bootstrap::fail(QStringLiteral("Copia Calvora sul Mac"),
             QStringLiteral("Il programma si trova in una posizione in sola lettura (ad esempio l'immagine disco "
                            "scaricata), perciò non può creare l'archivio degli appuntamenti.\n\nTrascina la "
                            "cartella \"")
                 + QFileInfo(appFolder).fileName() + QStringLiteral("\" in Applicazioni, poi apri l'app da lì."));
    }
    if (const QString error = createFolder(folder); !error.isEmpty())
        failToOpen(error, folder + QStringLiteral("/calvora.sqlite"));
    return folder;
}

std::unique_ptr<AgendaArchive> openServer(const ServerSetup::Active& server, const QString& folder)
{
    QString reason;
    const std::optional<ConnectionLine> line = ServerSetup::connectionLine(server.line, &reason);
    if (!line)
        failToReachServer(reason, server);
    std::unique_ptr<ServerArchive> archive;
    try {
        archive = std::make_unique<ServerArchive>(*line, std::make_unique<BackupFolder>(folder));
    } catch (const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::Newer)
            failToReachServer(error.message(), server, newerAdvice);
        if (error.kind() == DatabaseError::Kind::Untrusted)
            failToReachServer(QStringLiteral("impossibile usare il server dell'archivio: ") + error.message(), server,
                              identityAdvice);
        failToReachServer(QStringLiteral("impossibile usare il server dell'archivio: ") + error.message(), server);
    }
    dailyBackup(folder, [&archive] { archive->dailyBackupIfNeeded(); });
    // A log the program's own role could rewrite is said at every start until the one-time step is done.
    if (archive->openingWarning())
        startNotice() = *archive->openingWarning();
    return archive;
}

std::unique_ptr<AgendaArchive>& openedArchive()
{
    static std::unique_ptr<AgendaArchive> opened;
    return opened;
}

// The file whose structure check was left for after the window's first paint.
std::optional<QString>& checkLeft()
{
    static std::optional<QString> path;
    return path;
}

QString databasePathIn(const QString& folder)
{
    return folder + QStringLiteral("/calvora.sqlite");
}

std::unique_ptr<Database> openDatabaseIn(const QString& folder, Database::StructureCheck check)
{
    const QString databasePath = databasePathIn(folder);
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(databasePath, check);
    } catch (const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::Newer)
            Bootstrap::fail(openFailureTitle, Cal::capitalizedFirst(error.message()) + QStringLiteral(".\n\nPercorso: ")
                                                  + databasePath + QStringLiteral("\n\n") + newerAdvice);
        if (error.kind() != DatabaseError::Kind::Damaged)
            failToOpen(error.message(), databasePath);
        db = restoreOrFail(error, databasePath);
    }
    dailyBackup(folder, [&db] { Backup::dailyIfNeeded(*db); });
    return db;
}

} // namespace

namespace Bootstrap {

AgendaArchive& archive()
{
    if (!openedArchive())
        openedArchive() = openArchive();
    return *openedArchive();
}

std::unique_ptr<AgendaArchive> openArchive()
{
    const QString folder = prepareDataFolder();
    QString unreadable;
    const std::optional<ServerSetup::Active> server = ServerSetup::activeLine(&unreadable);
    if (!unreadable.isEmpty())
        fail(openFailureTitle, Cal::capitalizedFirst(unreadable) + u'.');
    if (server)
        return openServer(*server, folder);
    // Reading every page of a large file takes longer than building the window: once the day's backup
    // (which reads them all anyway) is there, the structure check waits for the window's first paint
    // and runs on another thread (see CalvoraApp).
    std::unique_ptr<Database> db = openDatabaseIn(folder, Backup::dailyTaken(folder + QStringLiteral("/Backup"))
                                                              ? Database::StructureCheck::Apart
                                                              : Database::StructureCheck::AtOpen);
    if (db->structureCheckLeft())
        checkLeft() = db->path();
    return std::make_unique<SqliteArchive>(std::move(db));
}

std::optional<QString> takeStructureCheckLeft()
{
    return std::exchange(checkLeft(), std::nullopt);
}

void replaceDamagedArchive(const QString& databasePath, const DatabaseError& fault,
                           const std::function<void()>& closeUsers)
{
    const Backup::Found backup = offerBackup(fault, databasePath);
    // The damaged file is set aside by the restore: its connection must be closed first.
    closeUsers();
    openedArchive().reset();
    openedArchive() = std::make_unique<SqliteArchive>(restoreBackup(backup, databasePath));
}

std::optional<QString> restoreArchive(const QString& backupPath, const QString& backupName,
                                      const std::function<void()>& closeUsers)
{
    const QString databasePath = archive().location();
    const QHash<QString, QString> settingsNow = archive().allSettings();
    closeUsers();
    openedArchive().reset();
    std::optional<QString> failure;
    QString keptAside;
    try {
        keptAside = Backup::restore(backupPath, databasePath, Backup::beforeRestorePrefix);
    } catch (const DatabaseError& error) {
        failure = QStringLiteral("Impossibile ripristinare il backup ") + backupName + QStringLiteral(": ")
            + error.message()
            + (error.kind() == DatabaseError::Kind::InUse ? QStringLiteral(". Chiudi Calvora sugli altri computer e riprova")
                                                          : QString())
            + QStringLiteral(".\nL'archivio non è stato cambiato.");
    }
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(databasePath);
    } catch (const DatabaseError& error) {
        failToOpen(error.message(), databasePath);
    }
    if (!failure) {
        const QString kept = QFileInfo(keptAside).fileName();
        startEvents().append({QStringLiteral("restore"), QJsonObject{{QStringLiteral("file"), backupName},
                                                                     {QStringLiteral("kept_aside"), kept},
                                                                     {QStringLiteral("whole"), true}}});
        startNotice() = QStringLiteral("L'archivio è stato ripristinato dal backup ") + backupName
            + QStringLiteral(": l'agenda è com'era allora. L'archivio di prima è conservato come ") + kept
            + QStringLiteral(" nella cartella ") + QFileInfo(databasePath).absolutePath() + u'.';
    }
    openedArchive() = std::make_unique<SqliteArchive>(std::move(db));
    if (!failure) {
        try {
            for (const QString& key : Store::keptThroughRestore())
                openedArchive()->writeSetting(key, settingsNow.contains(key) ? std::optional<QString>(settingsNow[key])
                                                                             : std::nullopt);
        } catch (const DatabaseError& error) {
            failure = QStringLiteral("Il backup ") + backupName
                + QStringLiteral(" è stato ripristinato, ma gli operatori e la chiave di ripristino di prima non sono "
                                 "stati riportati: ")
                + error.message() + QStringLiteral(". Controllali in Impostazioni….");
        }
    }
    return failure;
}

bool isWritable(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

std::unique_ptr<Database> openDatabase()
{
    return openDatabaseIn(prepareDataFolder(), Database::StructureCheck::AtOpen);
}

void fail(const QString& title, const QString& message)
{
    DialogRequest request;
    request.icon = QMessageBox::Critical;
    request.title = title;
    request.message = message;
    request.buttons = {{QStringLiteral("Esci"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    Dialogs::exec(nullptr, request);
    exitProcess(1);
}

void relaunchFromOriginalLocation()
{
    const std::optional<QString> original = Translocation::originalURL(AppPaths::bundlePath());
    if (!original) {
        fail(QStringLiteral("Installazione non completata"),
             QStringLiteral("macOS sta eseguendo l'app da una posizione temporanea. Chiudi l'app, sposta la "
                            "cartella \"Calvora Dentistico\" in Applicazioni con il Finder e riaprila da lì."));
    }
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Completamento dell'installazione");
    request.message = QStringLiteral("Calvora deve essere riaperto dalla cartella in cui l'hai copiato:\n")
        + QFileInfo(*original).absolutePath() + QStringLiteral("\n\nPremi Continua: l'operazione si fa una sola volta.");
    request.buttons = {{QStringLiteral("Continua"), QMessageBox::AcceptRole},
                       {QStringLiteral("Esci"), QMessageBox::RejectRole}};
    request.escapeIndex = 1;
    if (Dialogs::exec(nullptr, request) == 0) {
        Translocation::clearQuarantine(*original);
        Translocation::launchNewInstance(*original);
    }
    exitProcess(0);
}

QList<StartEvent> takeStartEvents()
{
    return std::exchange(startEvents(), {});
}

std::optional<QString> takeStartNotice()
{
    return std::exchange(startNotice(), std::nullopt);
}

void setExitHandler(std::function<void(int)> handler)
{
    exitHandler() = std::move(handler);
}

} // namespace Bootstrap
