#include "ReminderExportCommand.h"

#include "AgendaArchive.h"
#include "AppPaths.h"
#include "BackupFolder.h"
#include "Cal.h"
#include "Database.h"
#include "DatabaseError.h"
#include "ReminderExport.h"
#include "ServerArchive.h"
#include "ServerSetup.h"
#include "SqliteArchive.h"
#include "Store.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

namespace {

const QString option = QStringLiteral("--export-reminders");

// Opens the archive as a start of the program does (an older version's file or database is brought up
// to date), but answers with a reason instead of an alert.
std::unique_ptr<AgendaArchive> openArchive(QString* reason)
{
    const QString folder = AppPaths::dataFolder();
    try {
        QString unreadable;
        const std::optional<ServerSetup::Active> server = ServerSetup::activeLine(&unreadable);
        if (!unreadable.isEmpty()) {
            *reason = Cal::capitalizedFirst(unreadable) + u'.';
            return nullptr;
        }
        if (server) {
            const std::optional<ConnectionLine> line = ServerSetup::connectionLine(server->line, reason);
            if (!line) {
                *reason = Cal::capitalizedFirst(*reason) + u'.';
                return nullptr;
            }
            return std::make_unique<ServerArchive>(*line, std::make_unique<BackupFolder>(folder));
        }
        const QString path = folder + QStringLiteral("/calvora.sqlite");
        // An export never starts an empty agenda where the practice expected its own.
        if (!QFileInfo::exists(path)) {
            *reason = QStringLiteral("Nessun archivio appuntamenti in ") + QDir::toNativeSeparators(folder) + u'.';
            return nullptr;
        }
        // The full structure check stays with the program's daily start; reading one day needs none.
        return std::make_unique<SqliteArchive>(std::make_unique<Database>(path, Database::StructureCheck::Apart));
    } catch (const DatabaseError& error) {
        *reason = QStringLiteral("Impossibile aprire l'archivio appuntamenti: ") + error.message() + u'.';
        return nullptr;
    }
}

int failWith(const QString& message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}

} // namespace

namespace ReminderExportCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(option);
}

int run(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(option);
    if (at + 2 >= arguments.size())
        return failWith(QStringLiteral("Uso: calvora --export-reminders <aaaa-mm-gg> <file.csv> "
                                       "[--data-dir <cartella dei dati>] [--server \"<riga di connessione>\"]"));
    const std::optional<QDate> day = Cal::parseDayKey(arguments[at + 1]);
    if (!day)
        return failWith(QStringLiteral("Data non valida: «") + arguments[at + 1]
                        + QStringLiteral("». Scrivila come aaaa-mm-gg, ad esempio 2026-12-09."));
    const QString path = QDir::current().absoluteFilePath(arguments[at + 2]);
    QString reason;
    const std::unique_ptr<AgendaArchive> archive = openArchive(&reason);
    if (!archive)
        return failWith(reason);
    Store store(*archive);
    const std::optional<int> written = ReminderExport::write(store, *day, path, &reason);
    if (!written)
        return failWith(reason);
    QTextStream(stdout) << "Promemoria di " << Cal::format(*day, QStringLiteral("EEEEdMMMMy")) << ": "
                        << *written << (*written == 1 ? " messaggio" : " messaggi") << " in "
                        << QDir::toNativeSeparators(path) << '\n';
    return 0;
}

} // namespace ReminderExportCommand
