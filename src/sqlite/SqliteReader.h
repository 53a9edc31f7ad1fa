#pragma once

#include "AgendaReader.h"

#include <memory>

class Database;

// The file's statements for the questions that read the whole agenda, on one connection: the archive's
// own (answering when memory cannot), or one of its own for a worker thread.
class SqliteReader final : public AgendaReader {
public:
    explicit SqliteReader(Database& db);
    explicit SqliteReader(std::unique_ptr<Database> owned);
    ~SqliteReader() override;

    [[nodiscard]] QList<Appointment> search(const QString& pattern, int limit) override;
    [[nodiscard]] QList<KnownPatient> knownPatients(const QString& pattern, int limit) override;
    [[nodiscard]] QStringList mostUsedTreatments(int limit) override;
    void interrupt() override;

    // The search's statement (its three parameters are the same LIKE pattern) and the known patients' one.
    [[nodiscard]] static QString searchStatement(int limit);
    [[nodiscard]] static QString knownPatientsStatement();

private:
    std::unique_ptr<Database> m_owned;
    Database& m_db;
};
