#include "TreatmentTally.h"

#include "Database.h"

namespace {

// The tally, the data_version it was counted at, and the triggers that follow this connection's
// writes. IF NOT EXISTS: made once per connection; all or nothing inside the savepoint.
const char* const tallyObjects = R"SQL(
SAVEPOINT calvora_tally;
CREATE TEMP TABLE IF NOT EXISTS calvora_treatment_tally (treatment TEXT NOT NULL, uses INTEGER NOT NULL);
CREATE TEMP TABLE IF NOT EXISTS calvora_treatment_tally_version (version INTEGER NOT NULL);
CREATE TEMP TRIGGER IF NOT EXISTS calvora_tally_insert AFTER INSERT ON main.appointments
WHEN NEW.treatment <> '' BEGIN
    UPDATE calvora_treatment_tally SET uses = uses + 1 WHERE treatment = NEW.treatment;
    INSERT INTO calvora_treatment_tally (treatment, uses) SELECT NEW.treatment, 1
        WHERE NOT EXISTS (SELECT 1 FROM calvora_treatment_tally WHERE treatment = NEW.treatment);
END;
CREATE TEMP TRIGGER IF NOT EXISTS calvora_tally_delete AFTER DELETE ON main.appointments
WHEN OLD.treatment <> '' BEGIN
    UPDATE calvora_treatment_tally SET uses = uses - 1 WHERE treatment = OLD.treatment;
    DELETE FROM calvora_treatment_tally WHERE treatment = OLD.treatment AND uses <= 0;
END;
CREATE TEMP TRIGGER IF NOT EXISTS calvora_tally_update AFTER UPDATE OF treatment ON main.appointments
WHEN OLD.treatment IS NOT NEW.treatment BEGIN
    UPDATE calvora_treatment_tally SET uses = uses - 1 WHERE OLD.treatment <> '' AND treatment = OLD.treatment;
    DELETE FROM calvora_treatment_tally WHERE treatment = OLD.treatment AND uses <= 0;
    UPDATE calvora_treatment_tally SET uses = uses + 1 WHERE NEW.treatment <> '' AND treatment = NEW.treatment;
    INSERT INTO calvora_treatment_tally (treatment, uses) SELECT NEW.treatment, 1
        WHERE NEW.treatment <> ''
        AND NOT EXISTS (SELECT 1 FROM calvora_treatment_tally WHERE treatment = NEW.treatment);
END;
RELEASE calvora_tally;
)SQL";

void rollBack(Database& db, const QString& savepoint)
{
    try {
        db.execute(QStringLiteral("ROLLBACK TO ") + savepoint + QStringLiteral("; RELEASE ") + savepoint);
    } catch (const DatabaseError&) {
        // The first error is the one that matters; the caller counts without the tally.
    }
}

qint64 dataVersion(Database& db)
{
    return db.query(QStringLiteral("SELECT data_version FROM pragma_data_version"), {},
                    [](const SQLRow& row) { return row.integer(0); })
        .value(0);
}

// The version the tally was counted at; absent when the tally does not exist yet.
std::optional<qint64> tallyVersion(Database& db)
{
    try {
        const QList<qint64> versions =
            db.query(QStringLiteral("SELECT version FROM temp.calvora_treatment_tally_version"), {},
                     [](const SQLRow& row) { return row.integer(0); });
        return versions.isEmpty() ? -1 : versions.first();
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

// Counts every appointment into the tally, with the version it was counted at, in one savepoint: the
// pair stays consistent even when an enclosing transaction is rolled back.
void recount(Database& db, qint64 version)
{
    const QString savepoint = QStringLiteral("calvora_tally_count");
    db.execute(QStringLiteral("SAVEPOINT ") + savepoint);
    try {
        db.execute(QStringLiteral(
            "DELETE FROM temp.calvora_treatment_tally;\n"
            "INSERT INTO temp.calvora_treatment_tally (treatment, uses)\n"
            "SELECT treatment, COUNT(*) FROM main.appointments WHERE treatment <> '' GROUP BY treatment;\n"
            "DELETE FROM temp.calvora_treatment_tally_version"));
        db.run(QStringLiteral("INSERT INTO temp.calvora_treatment_tally_version (version) VALUES (?)"), {version});
        db.execute(QStringLiteral("RELEASE ") + savepoint);
    } catch (const DatabaseError&) {
        rollBack(db, savepoint);
        throw;
    }
}

} // namespace

namespace TreatmentTally {

std::optional<QStringList> mostUsed(Database& db)
{
    try {
        const qint64 version = dataVersion(db);
        std::optional<qint64> counted = tallyVersion(db);
        if (!counted) {
            try {
                db.execute(QString::fromUtf8(tallyObjects));
            } catch (const DatabaseError&) {
                rollBack(db, QStringLiteral("calvora_tally"));
                throw;
            }
            counted = -1;
        }
        if (*counted != version)
            recount(db, version);
        // Equally used treatments in byte order, as in the count of the appointments themselves.
        return db.query(QStringLiteral("SELECT treatment FROM temp.calvora_treatment_tally WHERE treatment <> ''\n"
                                       "GROUP BY treatment ORDER BY SUM(uses) DESC, treatment LIMIT 25"),
                        {}, [](const SQLRow& row) { return row.text(0); });
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

} // namespace TreatmentTally
