#pragma once

#include "AgendaBackups.h"

#include <QString>

// Backups of an agenda kept elsewhere (a server's) as files of the data folder's kind, in the data
// folder's "Backup" folder, under the names and with the pruning of the file's own backups (see Backup).
class BackupFolder final : public AgendaBackups {
public:
    explicit BackupFolder(QString dataFolder);

    QString now(const Fill& fill) override;
    void dailyIfNeeded(const Fill& fill) override;
    // Read from a copy in a temporary folder, which an older format is brought up to date in.
    [[nodiscard]] std::unique_ptr<AgendaSource> read(const QString& backupFile) override;

private:
    QString m_dataFolder;
};
