#include "SecondPlace.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

namespace {

QString shown(const QString& folder)
{
    return QDir::toNativeSeparators(folder);
}

} // namespace

SecondPlace::SecondPlace(std::unique_ptr<QSettings> local, const QString& agenda, Copier copier, QObject* parent)
    : QObject(parent)
    , m_local(std::move(local))
    , m_prefix(QStringLiteral("secondaCopia/")
               + QString::fromLatin1(agenda.toUtf8().toBase64(QByteArray::Base64UrlEncoding
                                                               | QByteArray::OmitTrailingEquals)))
    , m_copier(std::move(copier))
{
}

SecondPlace::~SecondPlace()
{
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

QString SecondPlace::key(const char* name) const
{
    return m_prefix + u'/' + QLatin1String(name);
}

QString SecondPlace::folder() const
{
    return m_local->value(key("cartella")).toString();
}

void SecondPlace::setFolder(const QString& folder)
{
    if (folder.isEmpty()) {
        m_local->remove(m_prefix);
    } else if (folder != this->folder()) {
        m_local->setValue(key("cartella"), folder);
        // The days without a copy count from the choice, not from a copy made into another folder.
        m_local->setValue(key("scelta"), Clock::now().toUTC().toString(Qt::ISODate));
        m_local->remove(key("ultimaCopia"));
    }
    m_local->sync();
    m_failure.reset();
    emit changed();
}

std::optional<QDateTime> SecondPlace::lastArrival() const
{
    const QDateTime at = QDateTime::fromString(m_local->value(key("ultimaCopia")).toString(), Qt::ISODate);
    return at.isValid() ? std::optional<QDateTime>(at.toLocalTime()) : std::nullopt;
}

SecondPlace::Key SecondPlace::currentKey() const
{
    if (!m_keySource)
        return {};
    try {
        return {m_keySource().value_or(QByteArray()), std::nullopt};
    } catch (const DatabaseError& error) {
        return {{}, QStringLiteral("impossibile leggere la chiave di ripristino (%1)").arg(error.message())};
    }
}

SecondPlace::Attempt SecondPlace::attempt(const QString& backupPath, const QString& folder, const Key& key) const
{
    const QString name = QFileInfo(backupPath).fileName();
    if (!QFileInfo(folder).isDir())
        return {true, false,
                QStringLiteral("La cartella delle copie dei backup (%1) non è raggiungibile: il disco è scollegato o "
                               "la cartella non c'è più. Il backup %2 resta in Dati/Backup; la copia si farà al "
                               "prossimo backup con la cartella presente.")
                    .arg(shown(folder), name)};
    try {
        if (key.unreadable)
            throw DatabaseError(*key.unreadable);
        const QString copy = m_copier(backupPath, folder, key.publicKey);
        return {false, true,
                (key.publicKey.isEmpty() ? QStringLiteral("Copia verificata in ")
                                         : QStringLiteral("Copia cifrata verificata in "))
                    + shown(copy)};
    } catch (const DatabaseError& error) {
        return {false, false,
                QStringLiteral("Copia del backup %1 nella cartella %2 non riuscita: %3. Nella cartella non è rimasto "
                               "nulla; il backup resta in Dati/Backup.")
                    .arg(name, shown(folder), error.message())};
    }
}

void SecondPlace::record(const Attempt& a, bool configured)
{
    m_outcome = a.message;
    if (!configured)
        return;
    m_failure.reset();
    if (a.done) {
        m_local->setValue(key("ultimaCopia"), Clock::now().toUTC().toString(Qt::ISODate));
    } else if (!a.missing) {
        m_failure = a.message;
    } else if (m_local->value(key("avvisoMancante")).toString() != Cal::dayKey(Clock::today())) {
        // An unplugged drive is said once a day, not at every backup.
        m_local->setValue(key("avvisoMancante"), Cal::dayKey(Clock::today()));
        m_failure = a.message;
    }
    m_local->sync();
}

std::optional<QString> SecondPlace::copyNow(const QString& backupPath, const QString& folder)
{
    const QString target = folder.isEmpty() ? this->folder() : folder;
    if (target.isEmpty())
        return QStringLiteral("Nessuna cartella per le copie dei backup.");
    const Attempt a = attempt(backupPath, target, currentKey());
    record(a, QDir::cleanPath(target) == QDir::cleanPath(this->folder()));
    emit changed();
    return a.done ? std::nullopt : std::optional<QString>(a.message);
}

void SecondPlace::send(const QString& backupPath)
{
    if (folder().isEmpty())
        return;
    if (m_worker) {
        m_waiting = backupPath;
        return;
    }
    startWorker(backupPath);
    emit changed();
}

void SecondPlace::startWorker(const QString& backupPath)
{
    // A drive or a share copies at its own pace (a large agenda takes seconds): the window goes on.
    const QString target = folder();
    const Key key = currentKey();
    auto result = std::make_shared<Attempt>();
    m_worker = QThread::create([this, backupPath, target, key, result] { *result = attempt(backupPath, target, key); });
    connect(m_worker, &QThread::finished, this, [this, target, result] {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
        record(*result, target == folder());
        if (!m_waiting.isEmpty())
            startWorker(std::exchange(m_waiting, QString()));
        emit changed();
    });
    m_worker->start(QThread::LowPriority);
}

std::optional<QString> SecondPlace::notice() const
{
    const QString where = folder();
    if (where.isEmpty())
        return std::nullopt;
    const std::optional<QDateTime> last = lastArrival();
    const QDateTime since =
        last ? *last : QDateTime::fromString(m_local->value(key("scelta")).toString(), Qt::ISODate).toLocalTime();
    const qint64 days = since.isValid() ? since.date().daysTo(Clock::today()) : 0;
    if (days >= overdueDays)
        return QStringLiteral("Da %1 giorni nessun backup arriva nella cartella delle copie (%2). Collega il disco o "
                              "controlla la cartella in Impostazioni… › Archivio e backup.")
            .arg(days)
            .arg(shown(where));
    return m_failure;
}
