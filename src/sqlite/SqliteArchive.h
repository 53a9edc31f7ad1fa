#pragma once

#include "IndexedArchive.h"

#include <memory>
#include <optional>

class Database;
class FileActivityLog;

// The agenda in the SQLite file of the data folder, through the one Database of the process (not
// owned). Runs exactly the statements the program has always run; remembers the last complete search
// so that a longer text is judged only on its matches; learns of other programs' commits through
// PRAGMA data_version. When asked to keep a search index, answers searches, known patients and
// treatment counts from it while it is in step with the file (see IndexKeeper).
class SqliteArchive final : public IndexedArchive {
public:
    explicit SqliteArchive(Database& db);
    // The same on a connection the archive keeps for itself.
    explicit SqliteArchive(std::unique_ptr<Database> db);
    ~SqliteArchive() override;

    [[nodiscard]] Database& database() const { return m_db; }

    [[nodiscard]] Kind kind() const override { return Kind::File; }
    [[nodiscard]] QString location() const override;
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
    [[nodiscard]] bool changedElsewhere() override;
    [[nodiscard]] bool replaced() const override;
    QString backupNow() override;

    void setActor(const Actor& actor) override;
    void setAction(const QString& action) override;
    void logEvent(const QString& action, const QString& target, const QString& details,
                  const QString& personal) override;
    void forEachLogEntry(const std::function<bool(const ActivityEntry&)>& visit) override;
    [[nodiscard]] QList<ActivityEntry> logOf(const QString& target, qint64 subject) override;
    [[nodiscard]] QList<ActivityEntry> logPage(const LogFilter& filter, int limit) override;
    [[nodiscard]] LogReaderMaker logReaderMaker() const override;
    AnonymisedRecords anonymise(const AnonymiseScope& scope) override;
    void reserveIds(qint64 appointments, qint64 waiting, qint64 recalls) override;

protected:
    [[nodiscard]] QList<Appointment> searchQuery(const QString& pattern, int limit) override;
    [[nodiscard]] QList<KnownPatient> knownPatientsQuery(const QString& pattern, int limit) override;
    [[nodiscard]] QStringList mostUsedTreatmentsQuery(int limit) override;
    // The narrowing of the last complete search, when this one's text holds its text.
    [[nodiscard]] std::optional<QList<Appointment>> rememberedSearch(const QString& pattern, int limit) override;
    [[nodiscard]] QList<Appointment> appointmentsWithIds(const QList<qint64>& ids) override;
    [[nodiscard]] IndexKeeper::Load indexLoader() const override;
    [[nodiscard]] std::optional<IndexKeeper::Mark> indexMark() override;

private:
    // Identifies the appointments as this connection sees them: its own writes, and how many of the
    // other programs' commits seen so far changed them (or may have); absent when it cannot be read.
    struct ChangeMark {
        quint64 connection = 0;
        qint64 ownChanges = 0;
        qint64 appointmentsElsewhere = 0;
        bool operator==(const ChangeMark&) const = default;
    };
    [[nodiscard]] std::optional<ChangeMark> changeMark();
    // What changeMark last read: the connection, its data_version, the appointments' counter and the
    // log's last number (absent when the file has none).
    struct Seen {
        quint64 connection = 0;
        qint64 dataVersion = 0;
        std::optional<qint64> counter;
        std::optional<qint64> logHead;
    };
    // Counts another program's commit (data_version moved) as a change of the appointments unless their
    // counter, read in the same statement, shows that nobody wrote one since it was last read, or the
    // log's new entries name the rows it changed and the kept index has taken them.
    [[nodiscard]] qint64 appointmentsElsewhere(qint64 own, const Seen& now);
    [[nodiscard]] bool takenFromLog(qint64 own, const Seen& before, const Seen& now);
    [[nodiscard]] WriteCheck check(const Appointment& a);
    [[nodiscard]] Practice practice();
    [[nodiscard]] QList<Appointment> narrowedSearch(const QList<Appointment>& candidates, const QString& pattern);

    std::unique_ptr<Database> m_owned;
    Database& m_db;
    // Every write of this archive's connection leaves its entry (gone before the connection).
    std::unique_ptr<FileActivityLog> m_log;
    // The last search whose result held every match (fewer than its limit), with its text in the case
    // LIKE compares (A to Z folded) and the database content it was run on.
    struct LastSearch {
        ChangeMark mark;
        QString folded;
        int limit = 0;
        QList<Appointment> results;
    };
    std::optional<LastSearch> m_lastSearch;
    // The commits of other connections seen so far: the connection and its data_version.
    std::optional<std::pair<quint64, qint64>> m_seenVersion;
    // What changeMark last read, and the count it keeps.
    std::optional<Seen> m_seenElsewhere;
    qint64 m_appointmentsElsewhere = 0;
};
