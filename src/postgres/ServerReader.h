#pragma once

#include "AgendaReader.h"
#include "ConnectionLine.h"

#include <memory>

class PgConnection;

// The server's statements for the questions that read the whole agenda: on a given connection (the
// archive's own, when memory cannot answer), or on one of its own for a worker thread.
class ServerReader final : public AgendaReader {
public:
    // Connects; null when the server cannot be reached.
    [[nodiscard]] static std::unique_ptr<AgendaReader> open(const ConnectionLine& line);
    ~ServerReader() override;

    [[nodiscard]] QList<Appointment> search(const QString& pattern, int limit) override;
    [[nodiscard]] QList<KnownPatient> knownPatients(const QString& pattern, int limit) override;
    [[nodiscard]] QStringList mostUsedTreatments(int limit) override;
    [[nodiscard]] bool usable() const override;

    [[nodiscard]] static QString searchStatement(int limit);
    [[nodiscard]] static QList<Appointment> search(PgConnection& c, const QString& pattern, int limit);
    [[nodiscard]] static QList<KnownPatient> knownPatients(PgConnection& c, const QString& pattern, int limit);
    [[nodiscard]] static QStringList mostUsedTreatments(PgConnection& c, int limit);

private:
    explicit ServerReader(std::unique_ptr<PgConnection> connection);

    std::unique_ptr<PgConnection> m_connection;
};
