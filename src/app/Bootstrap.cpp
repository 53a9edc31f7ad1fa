#include "Bootstrap.h"

#include "AppPaths.h"
#include "Backup.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "Dialogs.h"
#include "ServerArchive.h"
#include "ServerSetup.h"
#include "SqliteArchive.h"
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

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

[[noreturn]] void failToReachServer(const QString& reason, const ServerSetup::Active& server)
{
    const bool fromFile = server.origin != u"--server";
    Bootstrap::fail(openFailureTitle,
                    capitalized(reason) + QStringLiteral(".\n\nRiga di connessione: ") + server.line
                        + (fromFile ? QStringLiteral(" (dal file ") + server.origin + u')'
                                    : QStringLiteral(" (dall'opzione --server)"))
                        + QStringLiteral("\n\nVerifica che il server sia acceso e raggiungibile da questo computer e che "
                                         "la riga sia corretta.")
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
    const std::optional<ConnectionLine> line = ConnectionLine::parse(server.line, &reason);
    if (!line)
        failToReachServer(reason, server);
    std::unique_ptr<ServerArchive> archive;
    try {
        archive = std::make_unique<ServerArchive>(*line, folder);
    } catch (const DatabaseError& error) {
        failToReachServer(QStringLiteral("impossibile usare il server dell'archivio: ") + error.message(), server);
    }
    try {
        archive->dailyBackupIfNeeded();
    } catch (const DatabaseError&) {
        // A missed daily copy must not keep the practice from working.
    }
    return archive;
}

} // namespace

namespace Bootstrap {

AgendaArchive& archive()
{
    static const std::unique_ptr<AgendaArchive> opened = openArchive();
    return *opened;
}

std::unique_ptr<AgendaArchive> openArchive()
{
    const QString folder = prepareDataFolder();
    QString unreadable;
    const std::optional<ServerSetup::Active> server = ServerSetup::activeLine(&unreadable);
    if (!unreadable.isEmpty())
        fail(openFailureTitle, capitalized(unreadable) + u'.');
    if (server)
        return openServer(*server, folder);
    return std::make_unique<SqliteArchive>(openDatabase());
}

bool isWritable(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

std::unique_ptr<Database> openDatabase()
{
    const QString databasePath = prepareDataFolder() + QStringLiteral("/calvora.sqlite");
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(databasePath);
    } catch (const DatabaseError& error) {
        failToOpen(error.message(), databasePath);
    }
    try {
        Backup::dailyIfNeeded(*db);
    } catch (const DatabaseError&) {
        // A missed daily copy must not keep the practice from working.
    }
    return db;
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

void setExitHandler(std::function<void(int)> handler)
{
    exitHandler() = std::move(handler);
}

} // namespace Bootstrap
