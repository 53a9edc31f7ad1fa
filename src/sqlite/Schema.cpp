#include "Database.h"

#include "Backup.h"

#include <QFile>

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

// Version 2: an appointment's life after booking. The appointments table keeps its meaning (the live
// agenda), so every statement on it stays as it was; a status lives beside its appointment and goes with
// it, and a cancelled appointment leaves the table whole for one of its own, freeing its slot. A file
// set back to version 1 by hand still has them: they are made only where missing. The waiting list
// (patients who want an earlier or any slot; a dentist of NULL is any, weekdays a mask with Monday as
// bit 0) belongs to no appointment, so it is a table of its own.
const char* const schemaVersion2 = R"SQL(
CREATE TABLE IF NOT EXISTS appointment_status (
    appointment_id INTEGER PRIMARY KEY REFERENCES appointments(id) ON DELETE CASCADE,
    status TEXT NOT NULL,
    changed_at TEXT NOT NULL,
    call_attempts INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS cancelled_appointments (
    id INTEGER PRIMARY KEY,
    dentist_id INTEGER NOT NULL REFERENCES dentists(id),
    day TEXT NOT NULL,
    start_min INTEGER NOT NULL,
    duration_min INTEGER NOT NULL,
    patient TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    treatment TEXT NOT NULL DEFAULT '',
    notes TEXT NOT NULL DEFAULT '',
    created_at TEXT NOT NULL,
    updated_at TEXT NOT NULL,
    cancelled_at TEXT NOT NULL,
    cancelled_by TEXT NOT NULL,
    reason TEXT NOT NULL DEFAULT '',
    late INTEGER NOT NULL DEFAULT 0,
    status_before TEXT NOT NULL DEFAULT 'da_confermare'
);
CREATE INDEX IF NOT EXISTS idx_cancelled_day ON cancelled_appointments(day, start_min);
CREATE TABLE IF NOT EXISTS waiting_list (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    patient TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    duration_min INTEGER NOT NULL,
    dentist_id INTEGER REFERENCES dentists(id),
    weekdays INTEGER NOT NULL DEFAULT 31,
    day_part TEXT NOT NULL DEFAULT 'qualsiasi',
    from_day TEXT NOT NULL,
    until_day TEXT,
    note TEXT NOT NULL DEFAULT '',
    created_at TEXT NOT NULL
);
PRAGMA user_version = 2;
)SQL";

// Version 3: the activity log. Entries are numbered without gaps (the rowid, one more than the last)
// and chained by their hashes; the program's own connection writes them from temporary triggers in the
// transaction of each change (FileActivityLog), so only this table is kept in the file.
const char* const schemaVersion3 = R"SQL(
CREATE TABLE IF NOT EXISTS activity_log (
    n INTEGER PRIMARY KEY,
    at TEXT NOT NULL DEFAULT '',
    action TEXT NOT NULL,
    target TEXT NOT NULL,
    subject INTEGER,
    computer TEXT NOT NULL DEFAULT '',
    account TEXT NOT NULL DEFAULT '',
    operator TEXT NOT NULL DEFAULT '',
    client TEXT NOT NULL DEFAULT '',
    details TEXT NOT NULL DEFAULT '{}',
    personal TEXT NOT NULL DEFAULT '{}',
    personal_digest TEXT NOT NULL DEFAULT '',
    hash TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS idx_activity_subject ON activity_log(target, subject);
CREATE INDEX IF NOT EXISTS idx_activity_at ON activity_log(at);
PRAGMA user_version = 3;
)SQL";

// Version 4: recalls, the patients to call back for a periodic visit. A recall belongs to the appointment
// that set it (one each) but outlives it: a cancelled or deleted visit leaves the recall to the practice.
// Its closing day (a month before it is due) is stored, so that the list's "booked since" is judged in SQL on
// the day the program computed; an index of the appointments by patient and day makes it one look each.
const char* const schemaVersion4 = R"SQL(
CREATE TABLE IF NOT EXISTS recalls (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    appointment_id INTEGER NOT NULL UNIQUE,
    patient TEXT NOT NULL,
    phone TEXT NOT NULL DEFAULT '',
    kind TEXT NOT NULL,
    due_day TEXT NOT NULL,
    closes_from TEXT NOT NULL,
    months INTEGER NOT NULL DEFAULT 0,
    last_visit TEXT NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    last_attempt_at TEXT NOT NULL DEFAULT '',
    paused_until TEXT,
    do_not_call INTEGER NOT NULL DEFAULT 0,
    consent INTEGER NOT NULL DEFAULT 1,
    created_at TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS idx_recalls_due ON recalls(due_day);
CREATE INDEX IF NOT EXISTS idx_recalls_patient ON recalls(patient COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS idx_appointments_patient_day ON appointments(patient COLLATE NOCASE, day);
PRAGMA user_version = 4;
)SQL";

// One counter that every write to the appointments moves, by whichever program makes it (triggers live in
// the file, so copies of earlier versions move it too): a commit elsewhere that leaves it alone changed
// only dentists or settings, and the search index need not be read again. Not part of the version: a
// file without it is still version 1, and gets it at its next opening.
const char* const appointmentChangeCounter = R"SQL(
CREATE TABLE IF NOT EXISTS appointment_changes (n INTEGER NOT NULL);
INSERT INTO appointment_changes (n) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM appointment_changes);
CREATE TRIGGER IF NOT EXISTS appointment_inserted AFTER INSERT ON appointments
BEGIN UPDATE appointment_changes SET n = n + 1; END;
CREATE TRIGGER IF NOT EXISTS appointment_updated AFTER UPDATE ON appointments
BEGIN UPDATE appointment_changes SET n = n + 1; END;
CREATE TRIGGER IF NOT EXISTS appointment_deleted AFTER DELETE ON appointments
BEGIN UPDATE appointment_changes SET n = n + 1; END;
)SQL";

// A patient's appointments and cancellations by name in any letter case (a patient's own data, asked for
// by name). Not part of the version: an older program reads the tables as before.
const char* const patientIndexes = R"SQL(
CREATE INDEX IF NOT EXISTS idx_appointments_patient ON appointments(patient COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS idx_cancelled_patient ON cancelled_appointments(patient COLLATE NOCASE);
)SQL";

} // namespace

std::optional<qint64> Database::appointmentChanges()
{
    try {
        return query(QStringLiteral("SELECT n FROM appointment_changes"), {},
                     [](const SQLRow& row) { return row.integer(0); })
            .value(0);
    } catch (const DatabaseError&) {
        return std::nullopt; // a file that could not be given the counter (read-only)
    }
}

void Database::addAppointmentChangeCounter()
{
    const QList<qint64> present = query(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('appointment_changes', "
                       "'appointment_inserted', 'appointment_updated', 'appointment_deleted')"),
        {}, [](const SQLRow& row) { return row.integer(0); });
    if (present.value(0) == 4)
        return;
    try {
        transaction([this] { execute(QString::fromUtf8(appointmentChangeCounter)); });
    } catch (const DatabaseError&) {
        // A file this program may only read: every commit elsewhere then counts as a change of the appointments.
    }
}

// A new file is made at the current version in one go. A file of an older version is first copied into the
// backup folder as it is (the upgrade cannot be taken back otherwise: an earlier copy of the program
// refuses the upgraded file), then upgraded in one transaction. A newer version was refused at opening.
// Another program may upgrade the same file at the same moment: the version is read again under the
// transaction's lock, and a copy that already shows the upgrade is no copy of the old file.
void Database::migrate()
{
    const auto version = [this] {
        return query(QStringLiteral("PRAGMA user_version"), {}, [](const SQLRow& row) { return row.integer(0); })
            .value(0);
    };
    if (const qint64 found = version(); found < schemaVersion) {
        if (found >= 1 && m_identity)
            keepBeforeUpgrade(int(found));
        transaction([&] {
            const qint64 now = version();
            if (now < 1)
                execute(QString::fromUtf8(schemaVersion1));
            if (now < 2)
                execute(QString::fromUtf8(schemaVersion2));
            if (now < 3)
                execute(QString::fromUtf8(schemaVersion3));
            if (now < 4)
                execute(QString::fromUtf8(schemaVersion4));
        });
    }
    addAppointmentChangeCounter();
}

void Database::addPatientIndexes()
{
    const QList<qint64> present = query(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('idx_appointments_patient', "
                       "'idx_cancelled_patient')"),
        {}, [](const SQLRow& row) { return row.integer(0); });
    if (present.value(0) == 2)
        return;
    try {
        transaction([this] { execute(QString::fromUtf8(patientIndexes)); });
    } catch (const DatabaseError&) {
        // A file this program may only read: a patient's data is then found by reading the tables through.
    }
}

void Database::keepBeforeUpgrade(int version)
{
    const QString copy = Backup::keepVersion(*this, version);
    if (fileVersion(copy) != version)
        QFile::remove(copy);
}
