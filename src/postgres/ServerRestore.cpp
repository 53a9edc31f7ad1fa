// The whole restore of the server's agenda from a backup, in one transaction.
#include "AgendaBackups.h"
#include "AgendaSource.h"
#include "PgConnection.h"
#include "ServerArchive.h"
#include "ServerCopy.h"

#include <QFileInfo>

QString ServerArchive::replaceWithBackup(const QString& backupFile, const std::function<QString()>& backupBefore,
                                        const QStringList& kept)
{
    const std::unique_ptr<AgendaSource> backup = m_backups->read(backupFile);
    const ServerCopy::Replacement replacement{QFileInfo(backupFile).fileName(), backupBefore(), kept};
    ServerCopy::Counts counts;
    bool written = false;
    try {
        transaction([&](PgConnection& c) {
            counts = ServerCopy::replace(*backup, c, replacement);
            written = true;
        });
    } catch (const DatabaseError& error) {
        if (written && !m_connection)
            throw DatabaseError(QStringLiteral("la conferma del server è andata persa, quindi il ripristino potrebbe "
                                               "essere avvenuto o no: quando il server torna raggiungibile, guarda "
                                               "nel registro attività se c'è il ripristino"),
                                DatabaseError::Kind::Unavailable);
        throw;
    }
    // Every row changed: the kept index and what is on show are read again, as after another computer's
    // change (whose notifications this connection does not count as foreign).
    ++m_foreignSeen;
    m_foreignPending = true;
    return ServerCopy::countsText(counts);
}
