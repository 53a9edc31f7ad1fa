#pragma once

#include "BackupListWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class BackupLook;
class Store;
class QWidget;

// "Ripristina da backup…" in the running program: the list of the backups of this computer's data folder
// and of its copies folder, a look into the one chosen (an encrypted one opened with the recovery key the
// receptionist types, never kept), and the request to restore the whole archive from it.
class BackupRestore : public QObject {
    Q_OBJECT

public:
    // Called with a plain file of the backup (it exists while the call lasts) and the backup's own name.
    using RestoreWhole = std::function<void(const QString& plainPath, const QString& backupName)>;

    // `agenda` outlives this; `dataFolder` holds "Backup".
    BackupRestore(Store& agenda, QString dataFolder, RestoreWhole restoreWhole, QObject* parent = nullptr);
    ~BackupRestore() override;

    // Both places' backups, newest first (this computer's first at the same moment).
    [[nodiscard]] static QList<BackupChoice> choices(const QString& dataFolder, const QString& copiesFolder);
    // The line about the copies folder: none set, or not found; empty when it is there.
    [[nodiscard]] static QString placeNote(const QString& copiesFolder);
    // "Copia di backup di martedì 8 dicembre 2026 alle 17:45 – sola lettura".
    [[nodiscard]] static QString description(const BackupChoice& backup);

    // The list, over `parent`; one at a time, raised when asked again.
    BackupListWindow* showList(QWidget* parent);
    // Opens the backup read-only in a window of its own and shows it; null (after saying why) when it
    // cannot be opened or the recovery key was not given.
    BackupLook* open(const BackupChoice& backup, QWidget* over);
    // Every look open now.
    [[nodiscard]] QList<BackupLook*> looks() const;

private:
    [[nodiscard]] QString copiesFolder() const;

    Store& m_agenda;
    QString m_dataFolder;
    RestoreWhole m_restoreWhole;
    QPointer<BackupListWindow> m_list;
    QList<QPointer<BackupLook>> m_looks;
};
