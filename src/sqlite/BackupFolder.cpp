#include "BackupFolder.h"

#include "AgendaFileWriter.h"
#include "Backup.h"

namespace {

// Only a complete agenda is committed into the new file.
Backup::Source sourceOf(const QString& dataFolder, const AgendaBackups::Fill& fill)
{
    return Backup::Source{dataFolder, 0600, [fill](const QString& emptyFile) {
                              AgendaFileWriter file(emptyFile);
                              fill(file);
                              file.commit();
                          }};
}

} // namespace

BackupFolder::BackupFolder(QString dataFolder)
    : m_dataFolder(std::move(dataFolder))
{
}

QString BackupFolder::now(const Fill& fill)
{
    return Backup::now(sourceOf(m_dataFolder, fill));
}

void BackupFolder::dailyIfNeeded(const Fill& fill)
{
    Backup::dailyIfNeeded(sourceOf(m_dataFolder, fill));
}
