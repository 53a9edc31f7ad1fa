#include "RestoredCopy.h"

#include "Database.h"
#include "DatabaseError.h"

#include <QFile>

namespace RestoredCopy {

Counts countsOf(const QString& path)
{
    const std::unique_ptr<Database> reader = Database::openReader(path);
    return reader
        ->query(QStringLiteral("SELECT (SELECT count(*) FROM appointments), (SELECT count(*) FROM dentists)"), {},
                [](const SQLRow& row) { return Counts{row.integer(0), row.integer(1)}; })
        .value(0);
}

Counts restoreInto(const QString& backup, const QString& folder)
{
    const QString copy = folder + QStringLiteral("/calvora.sqlite");
    QFile::remove(copy);
    if (!QFile::copy(backup, copy))
        throw DatabaseError(QStringLiteral("impossibile copiare il backup in una cartella di prova"));
    // Written by the copy as the backup was, so that the open below may bring an older version up to date.
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const std::optional<int> version = Database::fileVersion(copy);
    if (!version)
        throw DatabaseError(QStringLiteral("il file non è un archivio di Calvora"));
    if (*version > Database::schemaVersion)
        throw DatabaseError::newer(*version, Database::schemaVersion);
    if (*version < 1)
        throw DatabaseError(QStringLiteral("il file non contiene un'agenda (versione %1)").arg(*version));
    if (!Database::isIntact(copy))
        throw DatabaseError(QStringLiteral("il controllo di integrità (integrity_check) ha trovato danni"));
    {
        const Database opened(copy);
    }
    return countsOf(copy);
}

} // namespace RestoredCopy
