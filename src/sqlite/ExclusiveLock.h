#pragma once

#include <QString>

#include <chrono>
#include <memory>

struct sqlite3;
struct sqlite3_file;

// A database file taken for this program alone through SQLite's own locks, the ones every connection to
// the file honours, in this process or another: while it is held nobody else reads the file, writes it
// or starts a rollback journal for it. Nothing of the file is read, so a damaged file can be held too,
// and a journal left beside it is not played back. Released when destroyed.
class ExclusiveLock {
public:
    // Waits up to `patience` for the other programs' reads and writes to end. Throws DatabaseError of kind
    // InUse when one still holds the file then, or another kind when the file cannot be opened or locked;
    // nothing is held after a throw.
    explicit ExclusiveLock(const QString& path, std::chrono::milliseconds patience = std::chrono::seconds(2));
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };

    // One round of SQLite's own sequence (shared, reserved, exclusive): SQLITE_OK once held, SQLITE_BUSY
    // while another connection is in the way, else the failure.
    int climb();
    void release();

    std::unique_ptr<sqlite3, Closer> m_connection;
    sqlite3_file* m_file = nullptr;
    int m_level = 0;
};
