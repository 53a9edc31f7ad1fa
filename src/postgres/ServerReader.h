#pragma once

#include "AgendaReader.h"
#include "ConnectionLine.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class PgConnection;
struct pg_cancel;

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
    // Asks the server to stop the statement under way, without waiting for it: a question that is no
    // longer wanted does not keep the worker (nor the server) busy until it ends.
    void interrupt() override;

    [[nodiscard]] static QString searchStatement(int limit);
    [[nodiscard]] static QList<Appointment> search(PgConnection& c, const QString& pattern, int limit);
    [[nodiscard]] static QList<KnownPatient> knownPatients(PgConnection& c, const QString& pattern, int limit);
    [[nodiscard]] static QStringList mostUsedTreatments(PgConnection& c, int limit);

private:
    explicit ServerReader(std::unique_ptr<PgConnection> connection);
    // Waits until every stop asked for has reached the server, so that none lands on the next statement.
    void settleInterrupts();

    std::unique_ptr<PgConnection> m_connection;
    std::shared_ptr<pg_cancel> m_canceller;
    std::mutex m_interruptMutex;
    std::vector<std::thread> m_interrupts;
};
