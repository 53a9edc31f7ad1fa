#pragma once

#include "DatabaseError.h"
#include "FileIdentity.h"
#include "SQLValue.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

// The result row being read inside Database::query. Columns count from 0 in SELECT order.
class SQLRow {
public:
    explicit SQLRow(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    // NULL reads as 0.
    [[nodiscard]] qint64 integer(int column) const;
    // NULL reads as the empty text.
    [[nodiscard]] QString text(int column) const;
    [[nodiscard]] bool isNull(int column) const;

private:
    sqlite3_stmt* m_stmt;
};

// The practice's SQLite connection. Every failure is thrown as DatabaseError carrying SQLite's text;
// a failed statement leaves the connection usable. Not copyable; one per process in normal use.
class Database {
public:
    // The newest schema version (user_version) this program knows.
    static constexpr int schemaVersion = 4;

    // Opens (creating if missing) and configures the file, checks that its structure is sound, then
    // brings the schema up to date. Throws DatabaseError; no half-open object escapes. A damaged file
    // ("database disk image is malformed", "file is not a database") is refused with Kind::Damaged, one
    // of a newer schema version with Kind::Newer; both are left unchanged, and no journal is made.
    // With StructureCheck::Apart the structure check of a file of the current version is left to the
    // caller (structureFault, on another thread; structureCheckLeft says so); nothing in the constructor
    // then writes to that file. A file of another version (or a new one) is checked here all the same.
    enum class StructureCheck { AtOpen, Apart };
    explicit Database(const QString& path, StructureCheck check = StructureCheck::AtOpen);
    // A read-only connection of its own to an existing file, for a worker thread: nothing is configured,
    // checked or upgraded, and every write fails. Throws DatabaseError.
    [[nodiscard]] static std::unique_ptr<Database> openReader(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] bool structureCheckLeft() const { return m_structureCheckLeft; }
    // Counts the SQLite connections this object has used: it moves when a read-only connection is
    // traded for a writable one, and with it every per-connection counter (total_changes, data_version).
    [[nodiscard]] quint64 connectionNumber() const { return m_connectionNumber; }
    // Whether the file at path() turned out to be another than the one this connection opened (a backup
    // put in its place by another program). From then on every statement throws DatabaseError of kind
    // Replaced and nothing reaches either file: the path is compared before each statement outside a
    // transaction, and once more when a transaction holds its lock, before anything is written.
    [[nodiscard]] bool replaced() const { return m_replaced; }
    // How many times any program has written an appointment row of the file (a counter its triggers
    // keep); absent when the file has no counter (it could only be read when it was opened).
    [[nodiscard]] std::optional<qint64> appointmentChanges();
    // The indexes that find a patient's rows by name, made the first time a patient's data is asked for
    // (not at opening, which leaves a file it has not checked as it found it); skipped on a read-only file.
    void addPatientIndexes();

    // SQL text without parameters or rows; several statements run in order, the first failure stops.
    void execute(const QString& sql);

    // Every result row, mapped in order. Rows mapped before a failure are dropped.
    template <typename Map>
    auto query(const QString& sql, const SQLArgs& args, Map map)
        -> QList<std::invoke_result_t<Map, const SQLRow&>>
    {
        QList<std::invoke_result_t<Map, const SQLRow&>> rows;
        forEachRow(sql, args, [&](const SQLRow& row) { rows.append(map(row)); });
        return rows;
    }

    // One statement stepped once: INSERT, UPDATE, DELETE, INSERT OR REPLACE. Like transaction(), it
    // first trades a connection that SQLite opened read-only for a writable one when the file allows.
    void run(const QString& sql, const SQLArgs& args = {});

    // The rowid of the last row this connection inserted (0 before any).
    [[nodiscard]] qint64 lastInsertId() const;

    // Runs `setup` on the SQLite connection now and on every connection that later takes its place (see
    // run), until `owner` releases it: then `teardown` runs, and the setup of the owner before it, if any
    // is still there, runs again. Functions and temporary triggers live with their connection.
    using ConnectionSetup = std::function<void(sqlite3*)>;
    void configureConnection(const void* owner, ConnectionSetup setup);
    void releaseConnection(const void* owner, const ConnectionSetup& teardown);

    // From any thread: the statement this connection is running, if any, stops with DatabaseError.
    void interrupt();

    // Runs body between BEGIN IMMEDIATE and COMMIT; on any throw rolls back and rethrows the first error.
    void transaction(const std::function<void()>& body);

    // Writes a compacted, self-contained copy of the whole database to target (replacing any file there).
    void backup(const QString& target);
    // VACUUM INTO target, which must not exist or be empty (an empty file keeps its permission bits).
    void vacuumInto(const QString& target);

    // The structure check of the constructor, on a read-only connection of its own: the damage found
    // (Kind::Damaged), absent for a sound file or one that could not be checked for another reason.
    [[nodiscard]] static std::optional<DatabaseError> structureFault(const QString& path);
    // Opens a file read-only and answers whether PRAGMA integrity_check reports "ok".
    [[nodiscard]] static bool isIntact(const QString& path);
    // The user_version in the header of an SQLite file, read without SQLite; absent for a missing file
    // or one that does not begin with an SQLite header.
    [[nodiscard]] static std::optional<int> fileVersion(const QString& path);

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };

    Database(std::unique_ptr<sqlite3, Closer> handle, QString path);
    // Leaves `check` Apart only when it did leave the structure check.
    static std::unique_ptr<sqlite3, Closer> openConfigured(const QString& path, StructureCheck& check);
    static std::unique_ptr<sqlite3, Closer> openReadOnly(const QString& path);
    static void checkStructure(sqlite3* handle);
    static void refuseNewer(sqlite3* handle);
    static void execute(sqlite3* handle, const QString& sql);
    void reopenIfWritableAgain();
    // The file's identity as opened, and the checks against it (DatabaseIdentity.cpp): ensureSameFile
    // always, checkFile outside a transaction.
    void rememberIdentity();
    void ensureSameFile();
    void checkFile();
    void forEachRow(const QString& sql, const SQLArgs& args, const std::function<void(const SQLRow&)>& visit);
    void migrate();
    // Keeps a copy of the file as it is, of that version, in the backup folder (Backup::keepVersion).
    void keepBeforeUpgrade(int version);
    void addAppointmentChangeCounter();

    std::unique_ptr<sqlite3, Closer> m_handle;
    QString m_path;
    quint64 m_connectionNumber = 1;
    bool m_structureCheckLeft;
    bool m_reader = false;
    std::optional<FileIdentity> m_identity; // absent for a database in memory
    // The setups in force, the latest last.
    QList<std::pair<const void*, ConnectionSetup>> m_setups;
    bool m_replaced = false;
};

// Has SQLite retry a busy file every millisecond for up to five seconds. Its own handler backs off to
// sleeps of up to 100 ms, so a save could wait that long for a reading that ended long before.
void waitWhenBusy(sqlite3* handle);
