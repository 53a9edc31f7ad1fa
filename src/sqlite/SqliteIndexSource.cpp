#include "SqliteIndexSource.h"

#include "AppointmentColumns.h"
#include "Database.h"

#include <sqlite3.h>

#include <chrono>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

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

// One row as read, owning its texts: copied while the file is read, indexed after the reading ends.
struct ReadRow {
    qint64 id = 0;
    qint64 start = 0;
    QByteArray day, patient, phone, treatment;
};

// The row the statement stands on; nothing when a value is not stored as the program stores it (the
// index is then unusable, and the queries answer).
std::optional<ReadRow> copyRow(sqlite3_stmt* row)
{
    for (const int column : {0, 2})
        if (sqlite3_column_type(row, column) != SQLITE_INTEGER)
            return std::nullopt;
    for (const int column : {1, 3, 4, 5})
        if (sqlite3_column_type(row, column) != SQLITE_TEXT)
            return std::nullopt;
    return ReadRow{sqlite3_column_int64(row, 0), sqlite3_column_int64(row, 2), textOf(row, 1).toByteArray(),
                   textOf(row, 3).toByteArray(), textOf(row, 4).toByteArray(), textOf(row, 5).toByteArray()};
}

// Reads the rows after the id `after` into `rows` (one read transaction: the statement's own, ended
// before returning, so the index's work, its allocations above all, never holds the file). Returns
// false when they cannot be read or a value cannot be kept exactly (`unusable` says which).
bool readBatch(sqlite3_stmt* stmt, qint64& after, std::vector<ReadRow>& rows, bool& unusable)
{
    rows.clear();
    sqlite3_bind_int64(stmt, 1, after);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::optional<ReadRow> row = copyRow(stmt);
        if (!row) {
            unusable = true;
            break;
        }
        after = row->id;
        rows.push_back(std::move(*row));
    }
    sqlite3_reset(stmt);
    return !unusable && rc == SQLITE_DONE;
}

// Adds the rows to the index; false when one cannot be kept exactly.
bool addAll(const std::vector<ReadRow>& rows, SearchIndex& index)
{
    for (const ReadRow& r : rows) {
        index.append({r.id, r.day, r.start, r.patient, r.phone, r.treatment});
        if (!index.usable())
            return false;
    }
    return true;
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
    std::vector<ReadRow> rows;
    rows.reserve(rowsPerRead);
    for (;;) {
        if (cancel.load())
            return nullptr;
        const auto started = std::chrono::steady_clock::now();
        bool unusable = false;
        if (!readBatch(prepared, after, rows, unusable) && !unusable)
            return nullptr;
        const auto readFor = std::chrono::steady_clock::now() - started;
        if (unusable || !addAll(rows, *index)) {
            index->markUnusable();
            return index;
        }
        if (qsizetype(rows.size()) < rowsPerRead)
            break;
        // A writer that found the file read waits in steps of a millisecond and takes its lock only if
        // nobody reads at that moment: the file is left alone at least as long as it was read.
        std::this_thread::sleep_for(readFor);
    }
    index->finish();
    return index;
}

} // namespace SqliteIndexSource
