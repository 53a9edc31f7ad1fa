#include "ExclusiveLock.h"

#include "DatabaseError.h"

#include <QDeadlineTimer>

#include <sqlite3.h>

#include <thread>

void ExclusiveLock::Closer::operator()(sqlite3* db) const
{
    sqlite3_close(db);
}

ExclusiveLock::ExclusiveLock(const QString& path, std::chrono::milliseconds patience)
{
    // The connection only opens the file: the locks are taken on it below, without reading a page.
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    m_connection.reset(raw);
    if (opened != SQLITE_OK)
        throw DatabaseError(QStringLiteral("Impossibile aprire il database: ")
                            + QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(opened)));
    if (sqlite3_file_control(raw, "main", SQLITE_FCNTL_FILE_POINTER, &m_file) != SQLITE_OK || !m_file
        || !m_file->pMethods)
        throw DatabaseError(QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
    const QDeadlineTimer deadline(patience);
    for (;;) {
        const int rc = climb();
        if (rc == SQLITE_OK)
            return;
        if (rc != SQLITE_BUSY || deadline.hasExpired()) {
            release();
            if (rc == SQLITE_BUSY)
                throw DatabaseError(QStringLiteral("l'archivio è in uso su un altro computer"),
                                    DatabaseError::Kind::InUse);
            throw DatabaseError(QString::fromUtf8(sqlite3_errstr(rc)));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ExclusiveLock::~ExclusiveLock()
{
    release();
}

int ExclusiveLock::climb()
{
    const sqlite3_io_methods& io = *m_file->pMethods;
    if (m_level < SQLITE_LOCK_SHARED) {
        if (const int rc = io.xLock(m_file, SQLITE_LOCK_SHARED); rc != SQLITE_OK)
            return rc;
        m_level = SQLITE_LOCK_SHARED;
    }
    if (m_level < SQLITE_LOCK_RESERVED) {
        // Another program is writing: the shared lock is let go again, since holding it would keep that
        // program from committing until we gave up.
        if (const int rc = io.xLock(m_file, SQLITE_LOCK_RESERVED); rc != SQLITE_OK) {
            release();
            return rc;
        }
        m_level = SQLITE_LOCK_RESERVED;
    }
    // Busy while others still read; the pending lock SQLite keeps meanwhile lets no new reader in, as for
    // a program that commits.
    const int rc = io.xLock(m_file, SQLITE_LOCK_EXCLUSIVE);
    if (rc == SQLITE_OK)
        m_level = SQLITE_LOCK_EXCLUSIVE;
    return rc;
}

void ExclusiveLock::release()
{
    if (m_file && m_level > SQLITE_LOCK_NONE)
        m_file->pMethods->xUnlock(m_file, SQLITE_LOCK_NONE);
    m_level = SQLITE_LOCK_NONE;
}
