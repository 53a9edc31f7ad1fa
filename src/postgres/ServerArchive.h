#pragma once

#include "AgendaArchive.h"
#include "AgendaBackups.h"
#include "ConnectionLine.h"
#include "IndexedArchive.h"

#include <chrono>
#include <memory>

class PgConnection;

// The agenda on a PostgreSQL server shared by the practice's computers. The server itself refuses
// overlapping appointments (an exclusion constraint), serves the search from trigram indexes and tells
// every connection of each change (LISTEN/NOTIFY). When the server goes away, every operation fails
// with an Italian message of kind Unavailable and writes nothing half; the archive connects again by
// itself, at the next operation or, without waiting, at the next change check. Backups are snapshots
// of the server's agenda, kept where and as `backups` keeps them. When asked to keep a search
// index, answers searches, known patients and treatment counts from it until another computer's
// notification (or a new connection, which may have missed some) makes it stale.
class ServerArchive final : public IndexedArchive {
public:
    // Connects, creates or brings up to date the tables and starts listening. Throws DatabaseError
    // with an Italian message when the server cannot be reached, refuses the login, or keeps a
    // database that is not Calvora's. backups takes the backups (not null).
    ServerArchive(const ConnectionLine& line, std::unique_ptr<AgendaBackups> backups);
    ~ServerArchive() override;

    [[nodiscard]] Kind kind() const override { return Kind::Server; }
    [[nodiscard]] QString location() const override { return m_location; }
    [[nodiscard]] QList<Dentist> dentists() override;
    [[nodiscard]] QString studioName() override;
    [[nodiscard]] QHash<QString, QString> allSettings() override;
    [[nodiscard]] QList<Appointment> appointments(const QString& fromKey, const QString& toKey) override;
    [[nodiscard]] std::optional<Appointment> appointment(qint64 id) override;
    [[nodiscard]] QList<Appointment> dentistDay(const QString& dayKey, qint64 dentistId, qint64 exceptId) override;
    [[nodiscard]] ReaderMaker readerMaker() const override;
    qint64 writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) override;
    bool restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) override;
    bool deleteAppointment(qint64 id,
                           const std::function<bool(const std::optional<Appointment>& stored)>& approve) override;
    [[nodiscard]] QHash<qint64, DayStatus> statuses(const QList<qint64>& ids) override;
    bool changeStatus(qint64 id, const std::function<std::optional<DayStatus>(const DayStatus& stored)>& change) override;
    bool cancelAppointment(qint64 id, const Cancellation& cancellation,
                           const std::function<bool(const Appointment& stored)>& approve) override;
    [[nodiscard]] QList<Cancellation> cancellations(const QString& fromKey, const QString& toKey) override;
    std::optional<Appointment> restoreCancelled(
        qint64 id, const std::function<bool(const Appointment& a, const WriteCheck&)>& approve) override;
    [[nodiscard]] BrokenAppointments brokenAppointments(const QString& patient, const QString& phone,
                                                        const QString& fromKey) override;
    [[nodiscard]] PatientRows patientRows(const QString& name) override;
    [[nodiscard]] QList<WaitingEntry> waitingList() override;
    qint64 saveWaitingEntry(const WaitingEntry& entry) override;
    bool removeWaitingEntry(qint64 id) override;
    [[nodiscard]] std::optional<Recall> recallOf(qint64 appointmentId) override;
    [[nodiscard]] QList<Recall> openRecalls(const QString& dueUntilKey) override;
    bool replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected, const std::optional<Recall>& next,
                       std::optional<Recall>* stored = nullptr) override;
    void saveSettings(const QString& studioName, const QList<Dentist>& dentists) override;
    void writeSetting(const QString& key, const std::optional<QString>& value) override;
    qint64 addDentist(const QString& name, const QString& colorHex) override;
    void reorderDentists(const QList<qint64>& ids) override;
    bool writeSettingIfApproved(const QString& key, const QString& value, qint64 dentistId, const QString& fromKey,
                                const std::function<bool(const SettingCheck&)>& approve) override;
    // The log is written by the server's own triggers; the program tells them who works here and what
    // is being done, for every transaction it begins.
    void setActor(const Actor& actor) override;
    void setAction(const QString& action) override;
    void logEvent(const QString& action, const QString& target, const QString& details,
                  const QString& personal) override;
    void forEachLogEntry(const std::function<bool(const ActivityEntry&)>& visit) override;
    // The entries about one record, oldest first.
    [[nodiscard]] QList<ActivityEntry> logOf(const QString& target, qint64 subject) override;
    // Up to `limit` entries that pass the filter, newest first.
    [[nodiscard]] QList<ActivityEntry> logPage(const LogFilter& filter, int limit) override;
    [[nodiscard]] LogReaderMaker logReaderMaker() const override;
    AnonymisedRecords anonymise(const AnonymiseScope& scope) override;
    void reserveIds(qint64 appointments, qint64 waiting, qint64 recalls) override;
    // What the check at opening found wrong without stopping the agenda: the log is still owned by the
    // role the program connects with, which could therefore rewrite it (README: guarding the log).
    [[nodiscard]] const std::optional<QString>& openingWarning() const { return m_openingWarning; }
    [[nodiscard]] bool changedElsewhere() override;
    QString backupNow() override;
    QString replaceWithBackup(const QString& backupFile, const std::function<QString()>& backupBefore,
                              const QStringList& kept) override;
    // Today's backup at start-up, as for the data folder's file. Throws DatabaseError.
    void dailyBackupIfNeeded();

    // The settings window's connection test: reaches the server with the line, looks at the database
    // and writes nothing. Answers whether the line works, with an Italian sentence either way. When
    // the server was refused only because nobody vouches for its certificate, unconfirmed says which
    // certificate it showed, for the person setting up to confirm.
    struct Unconfirmed {
        QString endpoint;    // "host:port"
        QString fingerprint; // the certificate's, ServerFingerprints form
        QString confirmed;   // the one confirmed before for that address; empty when none was
    };
    struct Probe {
        bool ok = false;
        QString message;
        std::optional<Unconfirmed> unconfirmed = {};
    };
    [[nodiscard]] static Probe probe(const QString& line, const ServerFingerprints& trusted = {});

    // The search's statement, whose one parameter is the LIKE pattern (for EXPLAIN in measurements).
    [[nodiscard]] static QString searchStatement(int limit);

    // Seconds between two attempts to connect again after a failed one.
    static constexpr int retrySeconds = 2;
    // How long the window's thread waits for a server while connecting again: a local or nearby server
    // answers well within it.
    static constexpr std::chrono::milliseconds connectBudget{250};

protected:
    [[nodiscard]] QList<Appointment> searchQuery(const QString& pattern, int limit) override;
    [[nodiscard]] QList<KnownPatient> knownPatientsQuery(const QString& pattern, int limit) override;
    [[nodiscard]] QStringList mostUsedTreatmentsQuery(int limit) override;
    [[nodiscard]] QList<Appointment> appointmentsWithIds(const QList<qint64>& ids) override;
    [[nodiscard]] IndexKeeper::Load indexLoader() const override;
    [[nodiscard]] std::optional<IndexKeeper::Mark> indexMark() override;

private:
    PgConnection& connection();
    PgConnection& pendingConnection(std::chrono::milliseconds budget);
    void connected(std::unique_ptr<PgConnection> fresh);
    void dropConnection();
    // Runs a read; one more time on a new connection when the old one turned out broken.
    template <typename Read>
    auto reading(Read read) -> decltype(read(std::declval<PgConnection&>()));
    // The same for a write whose repetition changes nothing (a lost answer is simply asked again).
    template <typename Write>
    auto repeatableWrite(Write write) -> decltype(write(std::declval<PgConnection&>()))
    {
        return reading(write);
    }
    // Runs body in a transaction (PgConnection::transaction) on a working connection, with the program's
    // context for the log's triggers.
    void transaction(const std::function<void(PgConnection&)>& body);
    [[nodiscard]] QString beginWithContext() const;
    [[nodiscard]] static std::optional<QString> guardWarning(PgConnection& c);
    // What the administrator runs to guard the log, or to complete a log guarded by an earlier version.
    [[nodiscard]] static QString guardAdvice(PgConnection& c);
    // Said when the guarded log lacks the anonymisation's function (lower case first, no final stop).
    [[nodiscard]] static QString missingAnonymisationText();
    [[nodiscard]] static QList<Dentist> dentistsOn(PgConnection& c);
    [[nodiscard]] static QHash<QString, QString> settingsOn(PgConnection& c);
    [[nodiscard]] static QList<Appointment> dentistDayOn(PgConnection& c, const QString& dayKey, qint64 dentistId,
                                                         qint64 exceptId);
    // Writes the whole agenda, as one snapshot of the server, into the sink.
    void writeSnapshot(AgendaSink& sink);
    // The whole log, as stored, into a copy of the agenda (inside the snapshot's transaction).
    static void copyLog(PgConnection& c, AgendaSink& sink);
    [[nodiscard]] static WriteCheck checkOn(PgConnection& c, const Appointment& a);
    [[nodiscard]] static QHash<qint64, DayStatus> statusesOn(PgConnection& c, const QList<qint64>& ids);
    // Reads the notifications that have arrived, without waiting; false when the connection broke.
    bool drainNotifications();

    ConnectionLine m_line;
    std::unique_ptr<AgendaBackups> m_backups;
    QString m_location;
    std::unique_ptr<PgConnection> m_connection;
    std::unique_ptr<PgConnection> m_pending;
    std::chrono::steady_clock::time_point m_lastFailure;
    bool m_failedRecently = false;
    bool m_reconnected = false;
    bool m_marked = false;
    // Another computer's change arrived and changedElsewhere() has not told it yet.
    bool m_foreignPending = false;
    // Connections made and other computers' notifications read so far: the kept index's mark.
    qint64 m_connections = 0;
    qint64 m_foreignSeen = 0;
    Actor m_actor;
    QString m_action;
    std::optional<QString> m_openingWarning;
};

