#include "FileLogNames.h"

#include "Database.h"

#include <sqlite3.h>

namespace {

// The names an entry's personal texts hold: "patient": name, or "patient": [before, after].
QString namesOf(const QString& personal)
{
    return QStringLiteral("SELECT atom FROM json_tree(CASE WHEN json_valid(%1) THEN %1 ELSE '{}' END) WHERE "
                          "((path = '$' AND key = 'patient') OR path = '$.patient') AND type = 'text'")
        .arg(personal);
}

// Adds the names of the entry numbered `n` whose texts are `personal` (SQL expressions).
QString indexEntry(const QString& n, const QString& personal)
{
    return QStringLiteral("INSERT OR IGNORE INTO activity_log_names (name) %1;"
                          "INSERT OR IGNORE INTO activity_log_named (name_id, n) SELECT id, %2 FROM "
                          "main.activity_log_names WHERE name IN (%1);")
        .arg(namesOf(personal), n);
}

// An anonymisation replaces an entry's names: the old ones go, and a name no entry holds any more is not kept.
QString forgetEntry(const QString& n, const QString& personal)
{
    return QStringLiteral("DELETE FROM activity_log_named WHERE n = %1;"
                          "DELETE FROM activity_log_names WHERE name IN (%2) AND NOT EXISTS (SELECT 1 FROM "
                          "main.activity_log_named WHERE name_id = activity_log_names.id);")
        .arg(n, namesOf(personal));
}

const char* const tables = R"SQL(
CREATE TABLE IF NOT EXISTS activity_log_names (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS activity_log_named (name_id INTEGER NOT NULL, n INTEGER NOT NULL,
    PRIMARY KEY (name_id, n)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS idx_activity_log_named_n ON activity_log_named (n);
CREATE TABLE IF NOT EXISTS activity_log_names_upto (upto INTEGER NOT NULL);
INSERT INTO activity_log_names_upto SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM activity_log_names_upto);
)SQL";

// Entries since the last covered one. A program without the triggers may have anonymised older entries
// meanwhile (its own entry says so): then the names start again from the first entry.
const char* const catchUp = R"SQL(
UPDATE activity_log_names_upto SET upto = 0 WHERE EXISTS (SELECT 1 FROM activity_log
    WHERE n > (SELECT upto FROM activity_log_names_upto) AND action = 'anonymise');
DELETE FROM activity_log_named WHERE (SELECT upto FROM activity_log_names_upto) = 0;
DELETE FROM activity_log_names WHERE (SELECT upto FROM activity_log_names_upto) = 0;
INSERT OR IGNORE INTO activity_log_names (name) SELECT j.atom FROM activity_log l, json_tree(l.personal) j
    WHERE l.n > (SELECT upto FROM activity_log_names_upto) AND json_valid(l.personal)
    AND ((j.path = '$' AND j.key = 'patient') OR j.path = '$.patient') AND j.type = 'text';
INSERT OR IGNORE INTO activity_log_named (name_id, n) SELECT s.id, l.n FROM activity_log l, json_tree(l.personal) j
    JOIN activity_log_names s ON s.name = j.atom
    WHERE l.n > (SELECT upto FROM activity_log_names_upto) AND json_valid(l.personal)
    AND ((j.path = '$' AND j.key = 'patient') OR j.path = '$.patient') AND j.type = 'text';
UPDATE activity_log_names_upto SET upto = COALESCE((SELECT max(n) FROM activity_log), 0);
)SQL";

QString triggers()
{
    // The covered part grows only without a hole: an entry another connection added without the
    // triggers stays uncovered (and read as before) until the next catch-up.
    const QString inserted = QStringLiteral(
        "CREATE TEMP TRIGGER IF NOT EXISTS log_names_inserted AFTER INSERT ON main.activity_log BEGIN %1"
        "UPDATE activity_log_names_upto SET upto = NEW.n WHERE upto = COALESCE((SELECT max(n) FROM "
        "main.activity_log WHERE n < NEW.n), 0); END;")
                                 .arg(indexEntry(QStringLiteral("NEW.n"), QStringLiteral("NEW.personal")));
    const QString changed =
        QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS log_names_changed AFTER UPDATE OF personal ON "
                       "main.activity_log BEGIN %1%2 END;")
            .arg(forgetEntry(QStringLiteral("OLD.n"), QStringLiteral("OLD.personal")),
                 indexEntry(QStringLiteral("NEW.n"), QStringLiteral("NEW.personal")));
    return inserted + changed;
}

bool run(sqlite3* handle, const QString& sql)
{
    return sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool haveNames(sqlite3* handle)
{
    return sqlite3_table_column_metadata(handle, "main", "activity_log_names_upto", "upto", nullptr, nullptr,
                                         nullptr, nullptr, nullptr)
        == SQLITE_OK;
}

} // namespace

namespace FileLogNames {

void install(sqlite3* handle)
{
    if (sqlite3_table_column_metadata(handle, "main", "activity_log", "personal", nullptr, nullptr, nullptr, nullptr,
                                      nullptr)
        != SQLITE_OK)
        return;
    // Inside a caller's transaction the catch-up waits for the next opening: its ROLLBACK would be the caller's.
    if (sqlite3_get_autocommit(handle) != 0
        && !run(handle, QStringLiteral("BEGIN IMMEDIATE;") + QString::fromUtf8(tables) + QString::fromUtf8(catchUp)
                         + QStringLiteral("COMMIT;")))
        run(handle, QStringLiteral("ROLLBACK;"));
    // A trigger that does not compile is this program's fault, not the file's: it must not pass unseen.
    if (haveNames(handle) && !run(handle, triggers()))
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
}

QStringList triggerNames()
{
    return {QStringLiteral("log_names_inserted"), QStringLiteral("log_names_changed")};
}

std::optional<QString> candidates(Database& db, const QString& pattern, SQLArgs& args)
{
    // Past this many entries a name is common enough that the newest entries, read in order, fill a
    // page sooner than the numbers can be gathered.
    constexpr qint64 common = 8000;
    const auto number = [&](const QString& sql, const SQLArgs& a) {
        return db.query(sql, a, [](const SQLRow& r) { return r.isNull(0) ? qint64(-1) : r.integer(0); }).value(0, -1);
    };
    if (number(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'activity_log_names_upto'"), {}) != 1)
        return std::nullopt;
    const qint64 upto = number(QStringLiteral("SELECT max(upto) FROM activity_log_names_upto"), {});
    if (upto < 0
        || number(QStringLiteral("SELECT EXISTS (SELECT 1 FROM activity_log WHERE n > ? AND action = 'anonymise')"),
                  {upto})
            != 0)
        return std::nullopt;
    const QString named = QStringLiteral("SELECT n FROM activity_log_named WHERE name_id IN (SELECT id FROM "
                                         "activity_log_names WHERE name LIKE ? ESCAPE '\\') AND n <= ?");
    if (number(QStringLiteral("SELECT COUNT(*) FROM (") + named + QStringLiteral(" LIMIT ?)"),
               {pattern, upto, common})
        >= common)
        return std::nullopt;
    args << pattern << upto << upto;
    return QStringLiteral("n IN (") + named + QStringLiteral(" UNION ALL SELECT n FROM activity_log WHERE n > ?)");
}

} // namespace FileLogNames
