#include "BackupFolder.h"

#include "AgendaFileWriter.h"
#include "Backup.h"
#include "DatabaseError.h"
#include "FileAgendaSource.h"

#include <QFile>
#include <QTemporaryDir>

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

// A backup's agenda read from a copy that lives as long as the reading: opening a file may bring its
// format up to date, which must never happen to the backup itself.
class CopiedSource final : public AgendaSource {
public:
    explicit CopiedSource(const QString& backupFile)
    {
        if (!m_folder.isValid())
            throw DatabaseError(QStringLiteral("impossibile creare una cartella temporanea (") + m_folder.errorString() + u')');
        const QString copy = m_folder.filePath(QStringLiteral("calvora.sqlite"));
        if (!QFile::exists(backupFile))
            throw DatabaseError(QStringLiteral("il backup ") + backupFile + QStringLiteral(" non esiste"));
        if (!QFile::copy(backupFile, copy))
            throw DatabaseError(QStringLiteral("impossibile leggere il backup ") + backupFile);
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        m_source = FileAgendaSource::open(copy);
    }

    [[nodiscard]] Content content() override { return m_source->content(); }
    [[nodiscard]] std::optional<Overlap> firstOverlap() override { return m_source->firstOverlap(); }
    [[nodiscard]] QList<Dentist> dentists() override { return m_source->dentists(); }
    [[nodiscard]] QList<std::pair<QString, QString>> settings() override { return m_source->settings(); }
    [[nodiscard]] QList<StoredAppointment> appointmentsAfter(qint64 afterId, int count) override
    {
        return m_source->appointmentsAfter(afterId, count);
    }
    [[nodiscard]] DayRecords dayRecords() override { return m_source->dayRecords(); }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AgendaSource> m_source;
};

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

std::unique_ptr<AgendaSource> BackupFolder::read(const QString& backupFile)
{
    return std::make_unique<CopiedSource>(backupFile);
}
