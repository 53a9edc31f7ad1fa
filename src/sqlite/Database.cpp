#include "Database.h"

#include <QFile>
#include <QtEndian>

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Up to 32 MiB of pages kept in memory (the ten-year agenda is about 20 MiB).
const QString largePageCache = QStringLiteral("PRAGMA cache_size = -32768");

QString fromUtf8(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

// SQLite's report of the connection's last failure; a damaged file is told apart from other failures.
DatabaseError failureOf(sqlite3* handle, const QString& message)
{
    const int code = sqlite3_errcode(handle) & 0xFF;
    const bool damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    return DatabaseError(message, damaged ? DatabaseError::Kind::Damaged : DatabaseError::Kind::General);
}

DatabaseError failureOf(sqlite3* handle)
{
    return failureOf(handle, fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

void Database::Closer::operator()(sqlite3* db) const
{
    sqlite3_close(db);
}

qint64 SQLRow::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SQLRow::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!bytes)
        return QString();
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_stmt, column));
}

bool SQLRow::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

Database::Database(const QString& path, StructureCheck check)
    : m_handle(openConfigured(path, check))
    , m_path(path)
    , m_structureCheckLeft(check == StructureCheck::Apart)
{
    // A throw from here on destroys m_handle, which closes the half-built connection.
    rememberIdentity();
    migrate();
}

Database::Database(std::unique_ptr<sqlite3, Closer> handle, QString path)
    : m_handle(std::move(handle))
    , m_path(std::move(path))
    , m_structureCheckLeft(false)
    , m_reader(true)
{
    rememberIdentity();
}

std::unique_ptr<Database> Database::openReader(const QString& path)
{
    std::unique_ptr<sqlite3, Closer> handle = openReadOnly(path);
    if (!handle)
        throw DatabaseError(QStringLiteral("Impossibile aprire il database: ") + path);
    waitWhenBusy(handle.get());
    return std::unique_ptr<Database>(new Database(std::move(handle), path));
}

void Database::configureConnection(const void* owner, ConnectionSetup setup)
{
    setup(m_handle.get());
    m_setups.append({owner, std::move(setup)});
}

void Database::releaseConnection(const void* owner, const ConnectionSetup& teardown)
{
    const bool latest = !m_setups.isEmpty() && m_setups.last().first == owner;
    m_setups.removeIf([owner](const auto& s) { return s.first == owner; });
    if (!latest)
        return;
    teardown(m_handle.get());
    if (!m_setups.isEmpty())
        m_setups.last().second(m_handle.get());
}

void Database::interrupt()
{
    sqlite3_interrupt(m_handle.get());
}

std::unique_ptr<sqlite3, Database::Closer> Database::openConfigured(const QString& path, StructureCheck& check)
{
    // A file of a newer version is refused before SQLite opens it: even reading may leave a journal or
    // shared-memory file beside it, and setting the journal mode below would rewrite its header.
    const std::optional<int> version = fileVersion(path);
    if (version && *version > schemaVersion)
        throw DatabaseError::newer(*version, schemaVersion);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = raw ? fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("errore sconosciuto");
        sqlite3_close(raw);
        throw DatabaseError(QStringLiteral("Impossibile aprire il database: ") + reason);
    }
    std::unique_ptr<sqlite3, Closer> handle(raw);
    waitWhenBusy(raw);
    refuseNewer(raw);
    execute(raw, QStringLiteral("PRAGMA foreign_keys = ON"));
    execute(raw, QStringLiteral("PRAGMA journal_mode = DELETE"));
    execute(raw, QStringLiteral("PRAGMA synchronous = FULL"));
    // Health data: deleted rows are overwritten instead of lingering in free pages.
    execute(raw, QStringLiteral("PRAGMA secure_delete = ON"));
#ifdef Q_OS_MACOS
    // Plain fsync on macOS does not reach the platters; a commit must survive a power cut.
    execute(raw, QStringLiteral("PRAGMA fullfsync = ON"));
#endif
    // Only a file of the current version may be checked apart: any other is about to be upgraded.
    if (version != schemaVersion)
        check = StructureCheck::AtOpen;
    if (check == StructureCheck::AtOpen)
        checkStructure(raw);
    // Searches and suggestions read the whole agenda: a page cache that holds years of it (filled
    // only as pages are read) serves them from memory and keeps their sorts off disk. Set after the
    // structure check, which reads every page once and would otherwise keep them all from the start.
    execute(raw, largePageCache);
    return handle;
}

// The version as SQLite sees it, which differs from the header's while a newer program's change is
// still in its write-ahead log (the program is at work, or was stopped). Read before anything that
// could write.
void Database::refuseNewer(sqlite3* handle)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, "PRAGMA user_version", -1, &raw, nullptr) != SQLITE_OK)
        throw failureOf(handle);
    Statement stmt(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        throw failureOf(handle);
    const qint64 version = sqlite3_column_int64(raw, 0);
    if (version > schemaVersion) {
        // Closing the last connection would otherwise copy the other program's log into the file.
        sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        throw DatabaseError::newer(int(version), schemaVersion);
    }
}

// SQLite reads pages lazily, so a truncated or damaged file would otherwise open fine and fail later,
// in the middle of the day. Nothing here writes: a damaged file is left exactly as it was found.
void Database::checkStructure(sqlite3* handle)
{
    const QString corrupt = fromUtf8(sqlite3_errstr(SQLITE_CORRUPT));
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, "PRAGMA quick_check(1)", -1, &raw, nullptr) != SQLITE_OK)
        throw failureOf(handle);
    Statement stmt(raw);
    const int rc = sqlite3_step(raw);
    if (rc != SQLITE_ROW) {
        const QString message = fromUtf8(sqlite3_errmsg(handle));
        throw failureOf(handle, message.isEmpty() ? corrupt : message);
    }
    if (fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))) != u"ok")
        throw DatabaseError(corrupt, DatabaseError::Kind::Damaged);
}

// SQLite opens a file it may not write read-only and keeps it so for the life of the connection. Once
// the file is writable again a fresh connection takes over, so saving works without a restart.
void Database::reopenIfWritableAgain()
{
    if (m_reader || sqlite3_db_readonly(m_handle.get(), "main") != 1 || !sqlite3_get_autocommit(m_handle.get()))
        return;
    try {
        StructureCheck check = StructureCheck::AtOpen;
        std::unique_ptr<sqlite3, Closer> fresh = openConfigured(m_path, check);
        if (sqlite3_db_readonly(fresh.get(), "main") == 0) {
            m_handle = std::move(fresh);
            ++m_connectionNumber;
            if (!m_setups.isEmpty())
                m_setups.last().second(m_handle.get());
        }
    } catch (const DatabaseError&) {
        // Still not usable: the write that follows reports the fault.
    }
}

Database::~Database() = default;

void Database::execute(const QString& sql)
{
    checkFile();
    execute(m_handle.get(), sql);
}

void Database::execute(sqlite3* handle, const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        return;
    const QString message = error ? fromUtf8(error) : fromUtf8(sqlite3_errmsg(handle));
    sqlite3_free(error);
    throw failureOf(handle, message);
}

namespace {

Statement prepare(sqlite3* db, const QString& sql, const SQLArgs& args)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()) + 1, &raw, nullptr);
    Statement stmt(raw);
    if (rc != SQLITE_OK || !stmt)
        throw failureOf(db);
    for (int i = 0; i < args.size(); ++i) {
        const SQLValue& arg = args[i];
        if (const qint64* v = arg.integer()) {
            sqlite3_bind_int64(raw, i + 1, *v);
        } else if (const QString* t = arg.text()) {
            // The exact byte length keeps every character, also past an embedded NUL.
            const QByteArray bytes = t->toUtf8();
            sqlite3_bind_text64(raw, i + 1, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT,
                                SQLITE_UTF8);
        } else {
            sqlite3_bind_null(raw, i + 1);
        }
    }
    return stmt;
}

} // namespace

void Database::forEachRow(const QString& sql, const SQLArgs& args, const std::function<void(const SQLRow&)>& visit)
{
    checkFile();
    Statement stmt = prepare(m_handle.get(), sql, args);
    const SQLRow row(stmt.get());
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        visit(row);
    if (rc != SQLITE_DONE)
        throw failureOf(m_handle.get()); // read before the statement is finalized
}

void Database::run(const QString& sql, const SQLArgs& args)
{
    checkFile();
    reopenIfWritableAgain();
    Statement stmt = prepare(m_handle.get(), sql, args);
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw failureOf(m_handle.get());
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_handle.get());
}

void Database::transaction(const std::function<void()>& body)
{
    checkFile();
    reopenIfWritableAgain();
    execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        // Once more under the transaction's lock, which keeps the file in its place until the end.
        ensureSameFile();
        body();
        execute(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            execute(QStringLiteral("ROLLBACK"));
        } catch (const DatabaseError&) {
            // The first error is the one worth reporting.
        }
        throw;
    }
}

void Database::backup(const QString& target)
{
    QFile::remove(target);
    vacuumInto(target);
}

void Database::vacuumInto(const QString& target)
{
    // VACUUM INTO gives the copy this connection's page cache and keeps the whole copy in it until the
    // end: with the large cache a backup at start-up takes nearly twice as long and memory grows by
    // the size of the database. The copy is made with SQLite's default cache; the large one comes back
    // afterwards (a failure to set it back is no failure of the backup).
    const auto restoreCache = [this] {
        try {
            execute(largePageCache);
        } catch (const DatabaseError&) {
        }
    };
    execute(QStringLiteral("PRAGMA cache_size = -2000"));
    try {
        run(QStringLiteral("VACUUM INTO ?"), {target});
    } catch (...) {
        restoreCache();
        throw;
    }
    restoreCache();
}

std::unique_ptr<sqlite3, Database::Closer> Database::openReadOnly(const QString& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    return db;
}

std::optional<DatabaseError> Database::structureFault(const QString& path)
{
    const std::unique_ptr<sqlite3, Closer> db = openReadOnly(path);
    if (!db)
        return std::nullopt;
    waitWhenBusy(db.get());
    try {
        checkStructure(db.get());
    } catch (const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::Damaged)
            return error;
    }
    return std::nullopt;
}

bool Database::isIntact(const QString& path)
{
    const std::unique_ptr<sqlite3, Closer> db = openReadOnly(path);
    if (!db)
        return false;
    sqlite3_stmt* stmtRaw = nullptr;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &stmtRaw, nullptr) != SQLITE_OK)
        return false;
    Statement stmt(stmtRaw);
    if (sqlite3_step(stmtRaw) != SQLITE_ROW)
        return false;
    const bool ok = fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmtRaw, 0))) == u"ok";
    return ok && sqlite3_step(stmtRaw) == SQLITE_DONE;
}

std::optional<int> Database::fileVersion(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The 100-byte header: a 16-byte signature, and user_version big-endian at offset 60.
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return std::nullopt;
    return qFromBigEndian<qint32>(header.constData() + 60);
}

void waitWhenBusy(sqlite3* handle)
{
    constexpr int retries = 5000;
    sqlite3_busy_handler(
        handle,
        [](void*, int count) -> int {
            if (count >= retries)
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 1;
        },
        nullptr);
}
