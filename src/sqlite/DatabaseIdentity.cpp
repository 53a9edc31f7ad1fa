#include "Database.h"

#include <sqlite3.h>

// A connection keeps the file it opened, whatever its name becomes. When a backup is restored elsewhere,
// the file this program opened is set aside under a dated name and the copy takes its name: writing on
// would save into the set-aside file, and its rollback journal, named after the path, would sit beside
// the copy. So the path is compared with the file opened before anything reaches SQLite.

// Taken right after opening. Should another file have taken the name in between, SQLite, which knows the
// file it opened, says so, and the connection counts as replaced from the start.
void Database::rememberIdentity()
{
    m_identity = FileIdentity::of(m_path);
    int moved = 0;
    if (m_identity && sqlite3_file_control(m_handle.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK
        && moved)
        m_replaced = true;
}

void Database::ensureSameFile()
{
    if (!m_replaced && m_identity) {
        // A path that names nothing, or cannot be reached for a moment, is no replacement: SQLite reports
        // whatever then fails.
        const std::optional<FileIdentity> now = FileIdentity::of(m_path);
        m_replaced = now && *now != *m_identity;
    }
    if (m_replaced)
        throw DatabaseError(QStringLiteral("l'agenda è stata ripristinata da un backup su un altro computer; "
                                           "riavvia Calvora"),
                            DatabaseError::Kind::Replaced);
}

void Database::checkFile()
{
    // Inside a transaction the lock it holds keeps any other program from putting a file in its place.
    if (sqlite3_get_autocommit(m_handle.get()))
        ensureSameFile();
}
