#pragma once

#include "ActivityEntry.h"
#include "Anonymisation.h"
#include "AgendaReader.h"
#include "Appointment.h"
#include "DatabaseError.h"
#include "DayStatus.h"
#include "Dentist.h"
#include "KnownPatient.h"
#include "Recall.h"
#include "WaitingEntry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// What the Store asks of the database that keeps the agenda, and nothing more. Two implementations: the
// SQLite file of the data folder (SqliteArchive) and a PostgreSQL server shared by several computers.
// Every operation runs on the main thread, throws DatabaseError on failure and writes nothing half.
// The rules, their order and their Italian messages are the Store's, not the archive's.
class AgendaArchive {
public:
    enum class Kind { File, Server };

    virtual ~AgendaArchive() = default;

    [[nodiscard]] virtual Kind kind() const = 0;
    // Where the agenda lives, for the settings window: the database file's absolute path, or the
    // server, database and user (never a password).
    [[nodiscard]] virtual QString location() const = 0;

    // All dentists, by position.
    [[nodiscard]] virtual QList<Dentist> dentists() = 0;
    // The practice's name; the empty text when it was never stored (a failed read throws).
    [[nodiscard]] virtual QString studioName() = 0;
    // Every row of the settings table, key to value.
    [[nodiscard]] virtual QHash<QString, QString> allSettings() = 0;
    // The appointments whose day key lies between two keys (both included), by day then start.
    [[nodiscard]] virtual QList<Appointment> appointments(const QString& fromKey, const QString& toKey) = 0;
    // The stored appointment with that id; absent when there is none.
    [[nodiscard]] virtual std::optional<Appointment> appointment(qint64 id) = 0;
    // A dentist's appointments of one day except the one with exceptId (0 excludes nothing), in the
    // archive's own order.
    [[nodiscard]] virtual QList<Appointment> dentistDay(const QString& dayKey, qint64 dentistId, qint64 exceptId) = 0;
    // Up to `limit` appointments whose patient, phone or treatment matches the LIKE pattern ("%" any
    // text, "_" one character, "\\" escapes the next one, the letters A to Z in either case; see
    // LikePattern), by day then start, newest first.
    [[nodiscard]] virtual QList<Appointment> search(const QString& pattern, int limit) = 0;
    // The patients whose name matches the LIKE pattern (as search), each with the phone of their most
    // recent appointment that has one, the most recently seen first; at most `limit`.
    [[nodiscard]] virtual QList<KnownPatient> knownPatients(const QString& pattern, int limit) = 0;
    // Up to `limit` non-empty treatments, the most used first (grouped exactly as written).
    [[nodiscard]] virtual QStringList mostUsedTreatments(int limit) = 0;

    // The same three answers when memory holds them (the kept search index in step with the archive, or
    // the narrowing of a complete earlier search), so that they take no longer than a frame; absent when
    // only reading the agenda would answer. Throw DatabaseError like the questions themselves.
    [[nodiscard]] virtual std::optional<QList<Appointment>> searchFromMemory(const QString& /*pattern*/, int /*limit*/)
    {
        return std::nullopt;
    }
    [[nodiscard]] virtual std::optional<QList<KnownPatient>> knownPatientsFromMemory(const QString& /*pattern*/,
                                                                                     int /*limit*/)
    {
        return std::nullopt;
    }
    [[nodiscard]] virtual std::optional<QStringList> mostUsedTreatmentsFromMemory(int /*limit*/) { return std::nullopt; }
    // Makes, on whatever thread calls it, a reader with a connection of its own to this archive (null
    // when it cannot connect); an empty function when the archive cannot have one (a database in
    // memory). It copies what it needs: it may outlive the archive.
    using ReaderMaker = std::function<std::unique_ptr<AgendaReader>()>;
    [[nodiscard]] virtual ReaderMaker readerMaker() const { return {}; }

    // The practice as stored: every dentist (by position) and every row of the settings table. The
    // rules that depend on them (closed days, retirements) are judged on this copy.
    struct Practice {
        QList<Dentist> dentists;
        QHash<QString, QString> settings;
    };
    // What a write sees of the archive inside its own transaction, under the lock that keeps every
    // change of the practice out until it commits.
    struct WriteCheck {
        // The stored row of the appointment's id; absent for a new appointment or a deleted one.
        std::optional<Appointment> stored;
        // The same dentist's other appointments of the same day (dentistDay, read in the transaction).
        QList<Appointment> dentistDay;
        Practice practice;
    };
    // In one transaction: reads the WriteCheck of `a`, asks `approve`, and only when it answers true
    // writes `a` (an INSERT when its id is 0, else an UPDATE of that row) and commits. Returns the id of
    // the row written, 0 when nothing was. A database that itself refuses the overlap throws
    // DatabaseError of kind Overlap.
    virtual qint64 writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) = 0;
    // The same for bringing back a deleted appointment under its own id (an INSERT that names the id);
    // `stored` holds the row that has that id, if any. Returns whether it wrote.
    virtual bool restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) = 0;
    // In one transaction: reads the row with that id (absent when there is none), asks `approve`, and
    // only when there is a row and it answers true removes it. Returns whether it removed.
    virtual bool deleteAppointment(qint64 id, const std::function<bool(const std::optional<Appointment>& stored)>& approve) = 0;
    // The statuses of the appointments with these ids (an id with nothing stored is left out: it awaits
    // confirmation with no attempts).
    [[nodiscard]] virtual QHash<qint64, DayStatus> statuses(const QList<qint64>& ids) = 0;
    // In one transaction: reads the appointment's status, asks `change` for the new one, and stores it
    // when given (with the moment of the change). Returns false, writing nothing, when the appointment
    // is not in the agenda (deleted or cancelled) or `change` gave nothing.
    virtual bool changeStatus(qint64 id, const std::function<std::optional<DayStatus>(const DayStatus& stored)>& change) = 0;
    // In one transaction: reads the row with that id and its status, asks `approve`, and only when there
    // is a row and it answers true moves it with its status out of the agenda into the cancelled
    // appointments, with `cancellation`'s moment, author, reason and lateness. Returns whether it moved.
    virtual bool cancelAppointment(qint64 id, const Cancellation& cancellation,
                                   const std::function<bool(const Appointment& stored)>& approve) = 0;
    // The cancelled appointments whose day key lies between two keys (both included), by day, start, id.
    [[nodiscard]] virtual QList<Cancellation> cancellations(const QString& fromKey, const QString& toKey) = 0;
    // In one transaction: reads the cancelled appointment with that id and the WriteCheck of bringing it
    // back, asks `approve`, and only when it answers true puts it back into the agenda under its own id
    // with the status it had. Returns the appointment put back; absent when none was (no such
    // cancellation, or refused).
    virtual std::optional<Appointment> restoreCancelled(
        qint64 id, const std::function<bool(const Appointment& a, const WriteCheck&)>& approve) = 0;
    // How many of the patient's appointments (the same name, and the same phone when one is given) from
    // the day key on were marked not come, and how many they cancelled late.
    [[nodiscard]] virtual BrokenAppointments brokenAppointments(const QString& patient, const QString& phone,
                                                                const QString& fromKey) = 0;
    // Everything kept under one patient's name, compared with A to Z in either case (as a search
    // compares): the appointments in the agenda (by day, start, id) with their statuses, the cancelled
    // ones (the same order) and the waiting-list entries (oldest first).
    struct PatientRows {
        QList<Appointment> appointments;
        QHash<qint64, DayStatus> statuses;
        QList<Cancellation> cancellations;
        QList<WaitingEntry> waiting;
        QList<Recall> recalls; // by due day and id
    };
    [[nodiscard]] virtual PatientRows patientRows(const QString& name) = 0;
    // The waiting list, oldest entry first.
    [[nodiscard]] virtual QList<WaitingEntry> waitingList() = 0;
    // Writes the entry (a new one when its id is 0, else that row) and returns its id; 0 when the row to
    // change is gone.
    virtual qint64 saveWaitingEntry(const WaitingEntry& entry) = 0;
    // Removes the entry; returns whether there was one.
    virtual bool removeWaitingEntry(qint64 id) = 0;
    // Recalls, one per appointment that set one, kept when that appointment is cancelled or deleted.
    // The recall an appointment set, if any.
    [[nodiscard]] virtual std::optional<Recall> recallOf(qint64 appointmentId) = 0;
    // The recalls due on or before the day key that are not marked "do not call" and whose patient (the
    // same name in any letter case) has no appointment in the agenda, other than the one that set the
    // recall, on or after its closing day (a month before it is due); by due day, then id.
    [[nodiscard]] virtual QList<Recall> openRecalls(const QString& dueUntilKey) = 0;
    // In one transaction: when what is stored for the appointment is `expected` (absent: nothing; compared
    // by Recalls::same), stores `next` for it (absent: removes it; a new row's id and creation moment come
    // from the archive) and answers true; otherwise writes nothing and answers false. *stored, when given,
    // gets what is stored afterwards.
    virtual bool replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected,
                               const std::optional<Recall>& next, std::optional<Recall>* stored = nullptr) = 0;
    // The practice's name and every listed dentist's name and colour (by id), in one transaction, as
    // given (the Store trims and defaults them).
    virtual void saveSettings(const QString& studioName, const QList<Dentist>& dentists) = 0;
    // Stores one setting, or removes it when the value is absent. Waits for the appointment writes
    // under way, and they for it, so that none is judged on the setting as it was.
    virtual void writeSetting(const QString& key, const std::optional<QString>& value) = 0;
    // Adds a dentist at the right of the others (the next position) and returns its id.
    virtual qint64 addDentist(const QString& name, const QString& colorHex) = 0;
    // Gives the listed dentists the positions 0, 1, … in that order, in one transaction.
    virtual void reorderDentists(const QList<qint64>& ids) = 0;
    // What a change of a dentist's setting sees inside its own transaction: the dentist's appointments
    // from a day on (by day and start) and the practice, all as stored, with every booking kept out.
    struct SettingCheck {
        QList<Appointment> remaining;
        Practice practice;
    };
    // In one transaction: reads the SettingCheck, asks `approve`, and only when it answers true stores
    // the setting. Returns whether it wrote.
    virtual bool writeSettingIfApproved(const QString& key, const QString& value, qint64 dentistId,
                                        const QString& fromKey,
                                        const std::function<bool(const SettingCheck&)>& approve) = 0;

    // The activity log. Every write above adds its entries in its own transaction, on the file through
    // the archive and on the server through the server's own triggers; nothing turns it off.
    // Who works at this computer: recorded with every later entry of this program.
    struct Actor {
        QString computer;
        QString account;
        QString operatorName; // empty when the practice has named no operators
    };
    virtual void setActor(const Actor& actor) { (void)actor; }
    // What the receptionist is doing ('move', 'undo', …; see ActivityEntry::action): recorded with the
    // entries of the writes made until it is set again (empty: each entry is named after its write).
    virtual void setAction(const QString& action) { (void)action; }
    // Appends a practice-level entry (a print, an export, a backup) in a transaction of its own.
    virtual void logEvent(const QString& action, const QString& target, const QString& details,
                          const QString& personal)
    {
        (void)action, (void)target, (void)details, (void)personal;
        throw DatabaseError(QStringLiteral("Il registro attività non è disponibile."));
    }
    // Every entry in the order of its number, in batches, until `visit` answers false.
    virtual void forEachLogEntry(const std::function<bool(const ActivityEntry&)>& visit)
    {
        (void)visit;
        throw DatabaseError(QStringLiteral("Il registro attività non è disponibile."));
    }
    // The entries about one record, oldest first; for an 'appointment' also those of its statuses and of
    // its cancellation and restore.
    [[nodiscard]] virtual QList<ActivityEntry> logOf(const QString& target, qint64 subject)
    {
        (void)target, (void)subject;
        throw DatabaseError(QStringLiteral("Il registro attività non è disponibile."));
    }
    // Up to `limit` entries that pass the filter, newest first.
    [[nodiscard]] virtual QList<ActivityEntry> logPage(const LogFilter& filter, int limit)
    {
        (void)filter, (void)limit;
        throw DatabaseError(QStringLiteral("Il registro attività non è disponibile."));
    }
    // In one transaction: the records the scope names that still hold personal texts get the anonymised
    // text in place of the patient's name, telephone, treatment and notes (a cancellation's reason, a
    // waiting entry's note), their days, times, dentists and statuses kept, and leave no entries of
    // their own; every log entry about them (and, for a patient, every entry naming them) gets it in
    // place of its personal texts, its digest kept; then one 'anonymise' entry about the 'patient',
    // without the name, lists those entries (Anonymisation::details). Returns the records changed;
    // nothing is written when there was nothing to replace.
    virtual AnonymisedRecords anonymise(const AnonymiseScope& scope)
    {
        (void)scope;
        throw DatabaseError(QStringLiteral("Il registro attività non è disponibile."));
    }
    // The ids the archive gives new records from now on are above these (after an older backup came
    // back, so that no new record takes the id of one an anonymisation remembers).
    virtual void reserveIds(qint64 appointments, qint64 waiting, qint64 recalls)
    {
        (void)appointments, (void)waiting, (void)recalls;
    }
    // Makes, on whatever thread calls it, an archive on a connection of its own from which the log can be
    // read (the check at start-up); an empty function when the archive cannot have one. Like readerMaker,
    // it copies what it needs; the archive made is null when it cannot connect.
    using LogReaderMaker = std::function<std::unique_ptr<AgendaArchive>()>;
    [[nodiscard]] virtual LogReaderMaker logReaderMaker() const { return {}; }
    // This computer, its operating-system account and no operator: the actor of a program's start.
    [[nodiscard]] static Actor localActor();

    // Whether another program has committed a change since the previous call (the first call sets the
    // mark and answers false). Cheap enough to ask a few times a second; never throws.
    [[nodiscard]] virtual bool changedElsewhere() = 0;
    // Whether the archive this program opened was put aside under it (another program restored a backup
    // in its place): every operation then throws DatabaseError of kind Replaced, and only a new start
    // reaches what took its place. Up to date after changedElsewhere(); never throws.
    [[nodiscard]] virtual bool replaced() const { return false; }

    // Takes an on-demand backup into the data folder's "Backup" folder and returns its path.
    virtual QString backupNow() = 0;
    // Puts the agenda of one of this archive's backup files in the place of the archive's own, in one
    // transaction: every dentist, setting, appointment, status, cancellation and waiting entry of the
    // backup; the settings named in `kept` stay as stored. `backupBefore` is called once the backup file
    // has been read into a copy of its own (so that a backup taken now cannot be mistaken for it) and
    // before the transaction: it takes a backup of the state about to be replaced and returns its name,
    // or throws DatabaseError to stop. The activity log is not replaced: it records the restore, naming
    // both backups. Returns what came back, in Italian ("3 dentisti, 4 impostazioni e 1.198
    // appuntamenti"). Only a server's agenda is restored this way (a file is replaced whole, see
    // Backup::restore); others throw. Throws DatabaseError with an Italian clause, having written nothing.
    virtual QString replaceWithBackup(const QString& backupFile, const std::function<QString()>& backupBefore,
                                      const QStringList& kept)
    {
        (void)backupFile, (void)backupBefore, (void)kept;
        throw DatabaseError(QStringLiteral("questo archivio non si ripristina dentro una transazione"));
    }
    // How many backups are kept there (the newest).
    static constexpr int keptBackups = 60;

    // From now on search, knownPatients and mostUsedTreatments are answered from a copy in memory of
    // what they read, built on a worker thread and kept in step with every change; until it is built,
    // and whenever another program's change has made it stale, they query as before. The answers are
    // the same either way. wait blocks until the copy is in use (tests, measurements). Answers whether
    // it is in use now.
    virtual bool keepSearchIndex(bool wait)
    {
        (void)wait;
        return false;
    }
};
