#include "CommandArchive.h"

#include "AppPaths.h"
#include "BackupFolder.h"
#include "Database.h"
#include "ServerArchive.h"
#include "ServerSetup.h"
#include "SqliteArchive.h"

#include <QFileInfo>

namespace CommandArchive {

std::unique_ptr<AgendaArchive> open()
{
    QString unreadable;
    const std::optional<ServerSetup::Active> server = ServerSetup::activeLine(&unreadable);
    if (!unreadable.isEmpty())
        throw DatabaseError(unreadable);
    if (server) {
        QString reason;
        const std::optional<ConnectionLine> line = ServerSetup::connectionLine(server->line, &reason);
        if (!line)
            throw DatabaseError(reason);
        return std::make_unique<ServerArchive>(*line, std::make_unique<BackupFolder>(AppPaths::dataFolder()));
    }
    const QString path = ServerSetup::agendaFile();
    if (!QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("non esiste ") + path);
    return std::make_unique<SqliteArchive>(std::make_unique<Database>(path, Database::StructureCheck::Apart));
}

} // namespace CommandArchive
