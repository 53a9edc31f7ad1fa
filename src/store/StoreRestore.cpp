#include "Store.h"

#include "AgendaArchive.h"
#include "StorePractice.h"

#include <QFileInfo>
#include <QUndoStack>

const QStringList& Store::keptThroughRestore()
{
    // Who works at the practice's computers, which agenda this is and the key its copies are encrypted with
    // are not part of what went wrong: an older backup must not bring back unencrypted copies.
    static const QStringList keys{operatorsKey, identityKey, recoveryKeyKey};
    return keys;
}

std::optional<QString> Store::restoreServerFrom(const QString& backupFile)
{
    if (m_archive.kind() != AgendaArchive::Kind::Server)
        return QStringLiteral("Questo ripristino vale solo per un'agenda sul server.");
    const QString name = QFileInfo(backupFile).fileName();
    QString before;
    std::optional<QString> backupFailure;
    const auto backupBefore = [&] {
        try {
            before = QFileInfo(backupNow()).fileName();
            return before;
        } catch (const DatabaseError& error) {
            backupFailure = error.message();
            throw;
        }
    };
    QString restored;
    try {
        restored = m_archive.replaceWithBackup(backupFile, backupBefore, keptThroughRestore());
    } catch (const DatabaseError& error) {
        if (backupFailure)
            return QStringLiteral("Ripristino dal backup %1 non eseguito: il backup dell'agenda com'è ora non è "
                                  "riuscito (%2). L'agenda del server non è cambiata.")
                .arg(name, *backupFailure);
        if (before.isEmpty())
            return QStringLiteral("Ripristino dal backup %1 non eseguito: %2. L'agenda del server non è cambiata.")
                .arg(name, error.message());
        const QString reason = error.kind() == DatabaseError::Kind::Overlap
            ? QStringLiteral("il backup contiene due appuntamenti dello stesso dentista sovrapposti, che il server "
                             "non accetta")
            : error.message();
        return QStringLiteral("Ripristino dal backup %1 non riuscito: %2. L'agenda del server è rimasta com'era "
                              "(il backup fatto prima è %3).")
            .arg(name, reason, before);
    }
    // The undone changes would act on rows of another time.
    if (m_history)
        m_history->clear();
    const std::optional<QString> erasures = reapplyErasures();
    m_refreshPending = true;
    (void)refreshIfChangedElsewhere();
    reload();
    if (erasures)
        return QStringLiteral("Agenda del server ripristinata dal backup %1 (%2), ma le anonimizzazioni fatte dopo non "
                              "sono state applicate di nuovo: %3")
            .arg(name, restored, *erasures);
    return std::nullopt;
}
