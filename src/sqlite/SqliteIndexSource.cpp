#include "SqliteIndexSource.h"

#include "AppointmentRows.h"
#include "Database.h"

#include <sqlite3.h>

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

// Reads every row into the index; false when the rows cannot be read.
bool readRows(sqlite3* db, SearchIndex& index, const std::atomic<bool>& cancel)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT id, dentist_id, day, start_min, patient, phone, treatment FROM appointments",
                           -1, &raw, nullptr)
        != SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3_stmt, Finalizer> stmt(raw);
    int rc;
    for (qint64 n = 0; (rc = sqlite3_step(raw)) == SQLITE_ROW; ++n) {
        if ((n & 4095) == 0 && cancel.load())
            return false;
        // What is not stored as the program stores it is left to the queries.
        for (const int column : {0, 1, 3})
            if (sqlite3_column_type(raw, column) != SQLITE_INTEGER)
                index.markUnusable();
        for (const int column : {2, 4, 5, 6})
            if (sqlite3_column_type(raw, column) != SQLITE_TEXT)
                index.markUnusable();
        if (!index.usable())
            return true;
        index.append({sqlite3_column_int64(raw, 0), sqlite3_column_int64(raw, 1), textOf(raw, 2),
                      sqlite3_column_int64(raw, 3), textOf(raw, 4), textOf(raw, 5), textOf(raw, 6)});
    }
    return rc == SQLITE_DONE;
}

} // namespace

namespace SqliteIndexSource {

QString searchStatement(int limit)
{
    return QStringLiteral("SELECT ") + AppointmentRows::columns
        + QStringLiteral(" FROM appointments\nWHERE patient LIKE ? ESCAPE '\\' OR phone LIKE ? ESCAPE '\\' OR treatment LIKE ? ESCAPE '\\'\nORDER BY day "
                         "DESC, start_min DESC LIMIT ")
        + QString::number(limit);
}

QString knownPatientsStatement()
{
    return QStringLiteral("SELECT patient, phone FROM appointments WHERE patient LIKE ? ESCAPE '\\' ORDER BY day DESC, start_min DESC");
}

std::unique_ptr<SearchIndex> load(const QString& path, const std::atomic<bool>& cancel)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(raw, 5000);
    auto index = std::make_unique<SearchIndex>(SearchIndex::Order::File);
    // One read transaction: one consistent state of the file.
    if (sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    const bool read = readRows(raw, *index, cancel);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    if (!read)
        return nullptr;
    index->finish();
    return index;
}

bool plansAgree(Database& db)
{
    const auto plan = [&db](const QString& statement, int parameters) {
        SQLArgs args;
        for (int i = 0; i < parameters; ++i)
            args.append(QStringLiteral("%x%"));
        return db.query(QStringLiteral("EXPLAIN QUERY PLAN ") + statement, args,
                        [](const SQLRow& row) { return row.text(3); });
    };
    const QStringList expected{QStringLiteral("SCAN appointments USING INDEX idx_appointments_day"),
                               QStringLiteral("USE TEMP B-TREE FOR RIGHT PART OF ORDER BY")};
    try {
        const QList<QString> encoding =
            db.query(QStringLiteral("PRAGMA encoding"), {}, [](const SQLRow& row) { return row.text(0); });
        return encoding == QList<QString>{QStringLiteral("UTF-8")} && plan(searchStatement(checkedSearchLimit), 3) == expected
            && plan(knownPatientsStatement(), 1) == expected;
    } catch (const DatabaseError&) {
        return false;
    }
}

} // namespace SqliteIndexSource
