#include "Database.h"

namespace {

// Version 1, created in one transaction together with its version number, so that a failure
// anywhere leaves a file with no tables at version 0.
const char* const schemaVersion1 = R"SQL(
CREATE TABLE dentists (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    color TEXT NOT NULL,
    position INTEGER NOT NULL
);
CREATE TABLE appointments (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    dentist_id INTEGER NOT NULL REFERENCES dentists(id),
    day TEXT NOT NULL,
    start_min INTEGER NOT NULL,
    duration_min INTEGER NOT NULL,
    patient TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    treatment TEXT NOT NULL DEFAULT '',
    notes TEXT NOT NULL DEFAULT '',
    created_at TEXT NOT NULL DEFAULT (datetime('now', 'localtime')),
    updated_at TEXT NOT NULL DEFAULT (datetime('now', 'localtime'))
);
CREATE INDEX idx_appointments_day ON appointments(day, dentist_id);
CREATE TABLE settings (
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL
);
INSERT INTO dentists (id, name, color, position) VALUES
    (1, 'Dentista 1', '#2E86DE', 0),
    (2, 'Dentista 2', '#27AE60', 1),
    (3, 'Dentista 3', '#E67E22', 2);
INSERT INTO settings (key, value) VALUES ('studio_name', '');
PRAGMA user_version = 1;
)SQL";

} // namespace

void Database::migrate()
{
    const QList<qint64> version =
        query(QStringLiteral("PRAGMA user_version"), {}, [](const SQLRow& row) { return row.integer(0); });
    if (!version.isEmpty() && version.first() >= 1)
        return; // in place (a newer version was refused at opening)
    transaction([this] { execute(QString::fromUtf8(schemaVersion1)); });
}
