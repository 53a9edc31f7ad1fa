#include "SqliteIndexSource.h"

#include "AppointmentColumns.h"
#include "Database.h"

#include <sqlite3.h>

#include <chrono>
#include <limits>
#include <thread>

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

QByteArrayView textOf(sqlite3_stmt* stmt, int column)
{
    return QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
}

// The index keeps UTF-8 and orders equal counts of treatments by its bytes, as a UTF-8 file's
// comparisons do.
bool keepsUtf8(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3_stmt, Finalizer> stmt(raw);
    return sqlite3_step(raw) == SQLITE_ROW && textOf(raw, 0) == "UTF-8";
}

// Adds the row the statement stands on; false when a value is not stored as the program stores it
// (the index is then unusable, and the queries answer).
bool add(sqlite3_stmt* row, SearchIndex& index)
{
    for (const int column : {0, 2})
        if (sqlite3_column_type(row, column) != SQLITE_INTEGER)
            return false;
    for (const int column : {1, 3, 4, 5})
        if (sqlite3_column_type(row, column) != SQLITE_TEXT)
            return false;
    index.append({sqlite3_column_int64(row, 0), textOf(row, 1), sqlite3_column_int64(row, 2), textOf(row, 3),
                  textOf(row, 4), textOf(row, 5)});
    return index.usable();
}

// Reads the rows after the id `after` (one read transaction: the statement's own) into the index.
// Returns how many it read and the last id, or -1 when they cannot be read.
qint64 readBatch(sqlite3_stmt* stmt, qint64& after, SearchIndex& index)
{
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, after);
    qint64 read = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++read;
        after = sqlite3_column_int64(stmt, 0);
        if (!add(stmt, index)) {
            index.markUnusable();
            sqlite3_reset(stmt);
            return 0;
        }
    }
    return rc == SQLITE_DONE ? read : -1;
}

} // namespace

namespace SqliteIndexSource {

std::unique_ptr<SearchIndex> load(const QString& path, const std::atomic<bool>& cancel)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    waitWhenBusy(raw);
    auto index = std::make_unique<SearchIndex>();
    if (!keepsUtf8(raw)) {
        index->markUnusable();
        return index;
    }
    sqlite3_stmt* prepared = nullptr;
    const QByteArray sql = (QStringLiteral("SELECT ") + AppointmentColumns::indexed
                            + QStringLiteral(" FROM appointments WHERE id > ? ORDER BY id LIMIT ")
                            + QString::number(rowsPerRead))
                               .toUtf8();
    if (sqlite3_prepare_v2(raw, sql.constData(), -1, &prepared, nullptr) != SQLITE_OK)
        return nullptr;
    const std::unique_ptr<sqlite3_stmt, Finalizer> stmt(prepared);
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        if (cancel.load())
            return nullptr;
        const auto started = std::chrono::steady_clock::now();
        const qint64 read = readBatch(prepared, after, *index);
        if (read < 0)
            return nullptr;
        if (!index->usable())
            return index;
        if (read < rowsPerRead)
            break;
        // A writer that found the file read waits in steps of a few milliseconds and takes its lock only
        // if nobody reads at that moment: the file is left alone as long as it was read.
        std::this_thread::sleep_for(std::chrono::steady_clock::now() - started);
    }
    index->finish();
    return index;
}

} // namespace SqliteIndexSource
