#include "Store.h"

#include "LoggedAct.h"

#include "AgendaArchive.h"
#include "SaveFailure.h"
#include "StorePractice.h"

#include <QUuid>

namespace {

const QString calendarFolderKey = QStringLiteral("calendar_folder");

} // namespace

QString Store::calendarFolder()
{
    return m_archive.allSettings().value(calendarFolderKey);
}

std::optional<QString> Store::setCalendarFolder(const QString& folder)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    try {
        const QString trimmed = folder.trimmed();
        m_archive.writeSetting(calendarFolderKey, trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    return std::nullopt;
}

void Store::setCalendarFolderFailure(const std::optional<QString>& failure)
{
    m_calendarFolderFailure = failure;
    emit changed();
}

QString Store::agendaIdentity()
{
    const QString stored = m_archive.allSettings().value(identityKey);
    if (!stored.isEmpty())
        return stored;
    // Two computers may give it at the same moment: only the first write counts, and both then read it.
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_archive.writeSettingIfApproved(identityKey, made, 0, QString(), [](const AgendaArchive::SettingCheck& check) {
        return check.practice.settings.value(identityKey).isEmpty();
    });
    const QString kept = m_archive.allSettings().value(identityKey);
    if (kept.isEmpty())
        throw DatabaseError(QStringLiteral("impossibile leggere l'identità dell'agenda"));
    return kept;
}
