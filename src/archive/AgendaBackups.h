#pragma once

#include "AgendaSink.h"

#include <QString>

#include <functional>
#include <memory>

class AgendaSource;

// Where the backups of an agenda kept elsewhere (on a server) go, and under which names: made by whoever
// opens that archive, so that it need not know the backups' file format.
class AgendaBackups {
public:
    // Writes the whole agenda into the sink; throws DatabaseError. A backup is kept only when it returns.
    using Fill = std::function<void(AgendaSink&)>;

    virtual ~AgendaBackups() = default;

    // Takes an on-demand backup and returns its path. Throws DatabaseError.
    virtual QString now(const Fill& fill) = 0;
    // Takes today's backup unless there is one. Throws DatabaseError.
    virtual void dailyIfNeeded(const Fill& fill) = 0;
    // A backup file read whole, as one consistent state, for a restore; the file itself is left as it is.
    // Throws DatabaseError with an Italian clause.
    [[nodiscard]] virtual std::unique_ptr<AgendaSource> read(const QString& backupFile) = 0;
};
