#include "Store.h"

#include "AgendaArchive.h"
#include "LoggedAct.h"

#include <QJsonArray>

void Store::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (readOnly) {
        m_editing.reset();
        m_pendingDelete.reset();
    }
    emit changed();
}

QString Store::readOnlyText()
{
    return QStringLiteral("Questa è una copia di backup in sola lettura: non si può modificare.");
}

QStringList Store::copyFromBackup(const QList<Appointment>& appointments, const QString& backupName)
{
    QStringList refusals;
    QJsonArray copied;
    {
        const LoggedAct act(m_archive, m_act, QStringLiteral("from-backup"));
        for (const Appointment& original : appointments) {
            Appointment copy = original;
            copy.id = 0;
            // Saved as a copy of the backup's appointment: a new one here, undone like any booking.
            if (const std::optional<SaveRefusal> refusal = saveEdited(copy, original))
                refusals.append(appointmentLine(original) + QStringLiteral(": ") + refusal->message);
            else
                copied.append(original.id);
        }
    }
    if (!copied.isEmpty()) {
        const QJsonObject details{{QStringLiteral("file"), backupName},
                                  {QStringLiteral("copied"), copied.size()},
                                  {QStringLiteral("refused"), refusals.size()},
                                  {QStringLiteral("backup_ids"), copied}};
        if (const std::optional<QString> failure = logEvent(QStringLiteral("from-backup"), QStringLiteral("agenda"), details))
            refusals.append(*failure);
    }
    return refusals;
}
