#pragma once

#include "AgendaArchive.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// The activity log's check at start-up. The whole chain is read, as `--verify-log` reads it, on a
// worker thread of low priority with a connection of its own: only a full walk also finds a name
// changed in an old entry (an anchor kept on this computer would cover only the hashes), and years of
// entries take seconds that the receptionist must not wait for. Stopped, unfinished, when destroyed.
class LogCheck : public QObject {
    Q_OBJECT

public:
    // Starts at once; nothing happens for an archive that cannot lend a connection (a database in memory).
    explicit LogCheck(AgendaArchive::LogReaderMaker maker, QObject* parent = nullptr);
    ~LogCheck() override;

signals:
    // The chain is broken: the verdict's message (on the thread of this object).
    void broken(const QString& message);

private:
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::unique_ptr<QThread> m_thread;
};
