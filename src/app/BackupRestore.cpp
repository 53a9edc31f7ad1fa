#include "BackupRestore.h"

#include "AgendaArchive.h"
#include "BackupList.h"
#include "RestoredCopy.h"
#include "BackupLook.h"
#include "Cal.h"
#include "CalvoraView.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "RecoveryKey.h"
#include "SealedFile.h"
#include "SecondPlace.h"
#include "Store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>

namespace {

QList<BackupChoice> choicesIn(const QString& folder, BackupChoice::Place place)
{
    QList<BackupChoice> found;
    for (const Backup::Found& b : Backup::listed(folder))
        found.append(BackupChoice{b.path, place, b.day, b.time, Backup::isEncrypted(b.path)});
    return found;
}

// The secret half of the recovery key, from the words the receptionist types; absent when none was given
// or they are not a key (said here).
std::optional<QByteArray> askRecoveryKey(QWidget* over)
{
    const std::optional<QString> words = Dialogs::askText(
        over, QStringLiteral("Chiave di ripristino"),
        QStringLiteral("Questa copia è cifrata. Scrivi le parole della chiave di ripristino dello studio, nell'ordine "
                       "del foglio stampato (bastano le prime quattro lettere di ogni parola)."),
        QStringLiteral("Apri"));
    if (!words)
        return std::nullopt;
    std::optional<QByteArray> secret = RecoveryKey::fromWords(*words);
    if (!secret)
        Dialogs::tell(over, QMessageBox::Warning, QStringLiteral("Le parole non formano la chiave di ripristino"),
                      QStringLiteral("Controlla di averle scritte tutte, nell'ordine del foglio: una parola manca, è "
                                     "scritta male o è fuori posto. La copia non è stata aperta."));
    return secret;
}

} // namespace

BackupRestore::BackupRestore(Store& agenda, QString dataFolder, RestoreWhole restoreWhole, QObject* parent)
    : QObject(parent)
    , m_agenda(agenda)
    , m_dataFolder(std::move(dataFolder))
    , m_restoreWhole(std::move(restoreWhole))
{
}

BackupRestore::~BackupRestore()
{
    delete m_list;
    for (const QPointer<BackupLook>& look : m_looks)
        delete look;
}

QList<BackupChoice> BackupRestore::choices(const QString& dataFolder, const QString& copiesFolder)
{
    QList<BackupChoice> all = choicesIn(dataFolder + QStringLiteral("/Backup"), BackupChoice::Place::ThisComputer);
    all += choicesIn(copiesFolder, BackupChoice::Place::CopiesFolder);
    const auto moment = [](const BackupChoice& b) { return QDateTime(b.day, b.time.value_or(QTime(0, 0))); };
    std::stable_sort(all.begin(), all.end(),
                     [&](const BackupChoice& a, const BackupChoice& b) { return moment(a) > moment(b); });
    return all;
}

QString BackupRestore::placeNote(const QString& copiesFolder)
{
    if (copiesFolder.isEmpty())
        return QStringLiteral("Su questo computer non è scelta una cartella delle copie: si vedono solo i backup di "
                              "questo computer.");
    if (!QFileInfo(copiesFolder).isDir())
        return QStringLiteral("La cartella delle copie ") + copiesFolder
            + QStringLiteral(" non si trova (disco scollegato?): si vedono solo i backup di questo computer.");
    return {};
}

QString BackupRestore::description(const BackupChoice& backup)
{
    return QStringLiteral("Copia di backup di ") + backup.momentText() + QStringLiteral(" \u2013 sola lettura");
}

QString BackupRestore::copiesFolder() const
{
    const SecondPlace* place = m_agenda.secondPlace();
    return place ? place->folder() : QString();
}

BackupListWindow* BackupRestore::showList(QWidget* parent)
{
    if (!m_list) {
        const QString copies = copiesFolder();
        m_list = new BackupListWindow(choices(m_dataFolder, copies), placeNote(copies),
                                      [](const QString& path) { return RestoredCopy::appointmentCount(path); }, parent);
        m_list->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_list, &BackupListWindow::chosen, this, [this](const BackupChoice& b) { open(b, m_list); });
    }
    m_list->show();
    m_list->raise();
    m_list->activateWindow();
    return m_list;
}

BackupLook* BackupRestore::open(const BackupChoice& backup, QWidget* over)
{
    const QString name = QFileInfo(backup.path).fileName();
    auto folder = std::make_shared<QTemporaryDir>();
    QString plain = backup.path;
    BackupLook::Opened opened;
    try {
        if (!folder->isValid())
            throw DatabaseError(folder->errorString());
        if (backup.encrypted) {
            const std::optional<QByteArray> secret = askRecoveryKey(over);
            if (!secret)
                return nullptr;
            plain = folder->filePath(name.chopped(Backup::encryptedSuffix.size()));
            SealedFile::open(backup.path, plain, *secret);
        }
        QDir(folder->path()).mkdir(QStringLiteral("lettura"));
        opened.store = std::make_unique<Store>(Backup::openCopy(plain, folder->filePath(QStringLiteral("lettura"))));
    } catch (const DatabaseError& error) {
        Dialogs::tell(over, QMessageBox::Warning, QStringLiteral("Impossibile aprire il backup ") + name,
                      Cal::capitalizedFirst(error.message()) + u'.');
        return nullptr;
    }
    opened.store->setReadOnly(true);
    opened.store->showDate(backup.day);
    opened.folder = folder;
    opened.backupName = name;
    opened.description = description(backup);
    // The plain file stays while the restore that asked for it lasts, even once this look has closed.
    auto restore = [whole = m_restoreWhole, folder, plain, name] {
        if (whole)
            whole(plain, name);
    };
    auto* look = new BackupLook(m_agenda, std::move(opened), std::move(restore), this);
    m_looks.removeAll(nullptr);
    m_looks.append(look);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        look->window()->fitInto(screen->availableGeometry());
    else
        look->window()->resize(CalvoraView::preferredSize);
    look->window()->show();
    return look;
}

QList<BackupLook*> BackupRestore::looks() const
{
    QList<BackupLook*> open;
    for (const QPointer<BackupLook>& look : m_looks)
        if (look)
            open.append(look);
    return open;
}
