#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSettings;
class QThread;

// The folder outside the data folder where every backup taken on this computer is copied and checked
// (an external drive, a network share, a folder a sync service uploads). It is chosen per computer, in
// the account's own settings for each agenda: a share is mounted under a different path on each
// computer, a drive is plugged into one, and on a server's agenda each computer takes its own backups.
// Nothing here stops the agenda: a missing folder is said once a day, and after `overdueDays` without a
// copy arriving the notice stays until one arrives.
class SecondPlace : public QObject {
    Q_OBJECT

public:
    // Copies a backup file into a folder, checked, and returns the copy's path; encrypted for the public
    // key when it is not empty. Throws DatabaseError with the reason in Italian, leaving nothing in the
    // folder.
    using Copier = std::function<QString(const QString& backup, const QString& folder, const QByteArray& publicKey)>;
    // The practice's recovery key (public half) that copies are encrypted with, absent when they go plain;
    // asked on the owner's thread before each copy. Throws DatabaseError when it cannot be read: nothing
    // is then copied, rather than a plain copy the practice did not want.
    using KeySource = std::function<std::optional<QByteArray>()>;

    static constexpr int overdueDays = 7;

    // `agenda` names the agenda (its location) the setting belongs to.
    SecondPlace(std::unique_ptr<QSettings> local, const QString& agenda, Copier copier, QObject* parent = nullptr);
    // Waits for a copy under way.
    ~SecondPlace() override;

    // Without a source every copy goes plain.
    void setKeySource(KeySource source) { m_keySource = std::move(source); }

    // The folder (empty: none).
    [[nodiscard]] QString folder() const;
    void setFolder(const QString& folder);
    // When the last copy made from this computer arrived there; absent before any.
    [[nodiscard]] std::optional<QDateTime> lastArrival() const;

    // Copies the backup on a worker thread; `changed` follows at the start and at the end. A backup sent
    // while a copy is under way is copied after it (only the newest waits).
    void send(const QString& backupPath);
    [[nodiscard]] bool busy() const { return m_worker != nullptr; }
    // Copies into `folder` (the configured one when empty) on this thread: absent once the copy is checked,
    // otherwise what happened, in Italian.
    std::optional<QString> copyNow(const QString& backupPath, const QString& folder = QString());

    // What the last copy did (empty before any): the copy's name, or why there is none.
    [[nodiscard]] const QString& lastOutcome() const { return m_outcome; }
    // The line the agenda window shows, if any: no copy for `overdueDays` days, or the latest attempt's
    // failure (a missing folder only at the first attempt of the day).
    [[nodiscard]] std::optional<QString> notice() const;

signals:
    // The folder was set, or a copy began or ended.
    void changed();

private:
    struct Attempt {
        bool missing = false;
        bool done = false;
        QString message;
    };
    // The public key of the next copy (empty: plain), or why it could not be read.
    struct Key {
        QByteArray publicKey;
        std::optional<QString> unreadable;
    };
    [[nodiscard]] Key currentKey() const;
    Attempt attempt(const QString& backupPath, const QString& folder, const Key& key) const;
    void record(const Attempt& a, bool configured);
    void startWorker(const QString& backupPath);
    [[nodiscard]] QString key(const char* name) const;

    std::unique_ptr<QSettings> m_local;
    QString m_prefix;
    Copier m_copier;
    KeySource m_keySource;
    QThread* m_worker = nullptr;
    QString m_waiting;
    QString m_outcome;
    std::optional<QString> m_failure;
};
