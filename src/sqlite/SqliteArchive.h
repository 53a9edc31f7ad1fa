#pragma once

#include "AgendaArchive.h"
#include "IndexKeeper.h"

#include <memory>
#include <optional>

class Database;

// The agenda in the SQLite file of the data folder, through the one Database of the process (not
// owned). Runs exactly the statements the program has always run; remembers the last complete search
// so that a longer text is judged only on its matches; learns of other programs' commits through
// PRAGMA data_version. When asked to keep a search index, answers searches, known patients and
// treatment counts from it while it is in step with the file (see IndexKeeper).
class SqliteArchive final : public AgendaArchive {
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
    [[nodiscard]] QList<Appointment> search(const QString& pattern, int limit) override;
    [[nodiscard]] QStringList mostUsedTreatments(int limit) override;
    [[nodiscard]] QList<KnownPatient> knownPatients(const QString& pattern, int limit) override;
    [[nodiscard]] std::optional<QList<Appointment>> searchAtOnce(const QString& pattern, int limit) override;
    [[nodiscard]] std::optional<QList<KnownPatient>> knownPatientsAtOnce(const QString& pattern, int limit) override;
    [[nodiscard]] std::optional<QStringList> mostUsedTreatmentsAtOnce(int limit) override;
    [[nodiscard]] ReaderMaker readerMaker() const override;
    qint64 writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) override;
    bool restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve) override;
    bool deleteAppointment(qint64 id,
                           const std::function<bool(const std::optional<Appointment>& stored)>& approve) override;
    void saveSettings(const QString& studioName, const QList<Dentist>& dentists) override;
    void writeSetting(const QString& key, const std::optional<QString>& value) override;
    qint64 addDentist(const QString& name, const QString& colorHex) override;
    void reorderDentists(const QList<qint64>& ids) override;
    bool writeSettingIfApproved(const QString& key, const QString& value, qint64 dentistId, const QString& fromKey,
                                const std::function<bool(const SettingCheck&)>& approve) override;
    [[nodiscard]] bool changedElsewhere() override;
    [[nodiscard]] bool replaced() const override;
    QString backupNow() override;
    bool keepSearchIndex(bool wait) override;

private:
    // Identifies the database's content as this connection sees it; absent when it cannot be read.
    struct ChangeMark {
        quint64 connection = 0;
        qint64 ownChanges = 0;
        qint64 dataVersion = 0;
        bool operator==(const ChangeMark&) const = default;
    };
    [[nodiscard]] std::optional<ChangeMark> changeMark();
    [[nodiscard]] WriteCheck check(const Appointment& a);
    [[nodiscard]] Practice practice();
    // The kept index's answer, or the narrowing of the last complete search made at `mark` (its text
    // literal); absent when neither can answer.
    [[nodiscard]] std::optional<QList<Appointment>> searchFromMemory(const QString& pattern, int limit,
                                                                     const std::optional<QString>& text,
                                                                     const std::optional<ChangeMark>& mark);
    [[nodiscard]] QList<Appointment> narrowedSearch(const QList<Appointment>& candidates, const QString& pattern);
    // The kept index when it is in step with the file.
    [[nodiscard]] SearchIndex* index();
    // The appointments with these ids, in this order; absent when one of them is missing.
    [[nodiscard]] std::optional<QList<Appointment>> appointmentsById(const QList<qint64>& ids);
    // Runs one of this program's writes, telling the kept index what it changed.
    void ownWrite(const std::function<void()>& write, const std::function<void(SearchIndex&)>& change = {});

    std::unique_ptr<Database> m_owned;
    Database& m_db;
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
    std::unique_ptr<IndexKeeper> m_index;
};
