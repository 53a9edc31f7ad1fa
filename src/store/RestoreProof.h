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

// Proof that a backup restores: a copy of it (decrypted first when it is encrypted and the recovery key
// is given) put into a scratch folder and opened as an agenda, never the real one. An encrypted copy
// without the key is only checked (read to its end, its header and length sound), which says nothing of
// its content, and the outcome says so. This computer remembers when a proof last succeeded and what it
// proved, for each agenda, beside the second place's setting.
class RestoreProof : public QObject {
    Q_OBJECT

public:
    struct Counts {
        qint64 appointments = 0;
        qint64 dentists = 0;
    };
    // Restores a plain backup file into an existing empty folder as an agenda and answers its counts;
    // throws DatabaseError with an Italian clause (lower case, no final stop).
    using Restorer = std::function<Counts(const QString& backup, const QString& folder)>;

    struct Outcome {
        bool proved = false;    // the copy restored (or, without a key, passed the check without decrypting)
        bool decrypted = false; // an encrypted copy opened with the key
        bool checkedOnly = false;
        QString file;           // the copy's name
        QString text;           // the Italian sentence the settings show
        QString what;           // on success, what was proved, for "Ultima prova di ripristino: …"
    };

    RestoreProof(std::unique_ptr<QSettings> local, const QString& agenda, Restorer restorer, QObject* parent = nullptr);
    // Waits for a proof under way.
    ~RestoreProof() override;

    // The newest backup in a folder by the moment in its name, plain ("calvora-….sqlite") or encrypted
    // ("calvora-….sqlite.cifrato"); the plain one when both hold the same moment. Absent when none.
    [[nodiscard]] static std::optional<QString> newestIn(const QString& folder);
    // Whether the file is an encrypted copy (by its first bytes).
    [[nodiscard]] static bool isEncrypted(const QString& path);
    // Proves one copy on this thread (any thread: it touches nothing of this object). A secret key is used
    // only for an encrypted copy.
    [[nodiscard]] static Outcome prove(const QString& copy, const std::optional<QByteArray>& secretKey,
                                       const Restorer& restorer);

    // Proves on a worker thread; `changed` follows at the start and at the end, and a success is
    // remembered. Ignored while a proof is under way.
    void start(const QString& copy, const std::optional<QByteArray>& secretKey = std::nullopt);
    [[nodiscard]] bool busy() const { return m_worker != nullptr; }
    // The same on this thread (the command line, tests); returns the outcome.
    Outcome proveNow(const QString& copy, const std::optional<QByteArray>& secretKey = std::nullopt);
    // What the last proof of this program found (empty text before any).
    [[nodiscard]] const Outcome& lastOutcome() const { return m_outcome; }

    // When a proof last succeeded on this computer, and what it proved; absent before any.
    [[nodiscard]] std::optional<QDateTime> lastProved() const;
    [[nodiscard]] QString lastProvedWhat() const;
    // "Ultima prova di ripristino: …" with the moment and what was proved, or "mai".
    [[nodiscard]] QString lastProvedLine() const;

signals:
    void changed();

private:
    void record(const Outcome& outcome);
    [[nodiscard]] QString key(const char* name) const;

    std::unique_ptr<QSettings> m_local;
    QString m_prefix;
    Restorer m_restorer;
    QThread* m_worker = nullptr;
    Outcome m_outcome;
};
