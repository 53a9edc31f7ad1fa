#include "RestoreProof.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "SealedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

namespace {

const QString encryptedSuffix = QStringLiteral(".cifrato");

QString counted(qint64 n, const char* one, const char* many)
{
    return Cal::locale().toString(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

QString contents(const RestoreProof::Counts& c)
{
    return counted(c.appointments, "appuntamento", "appuntamenti") + QStringLiteral(" e ")
        + counted(c.dentists, "dentista", "dentisti");
}

RestoreProof::Outcome restored(RestoreProof::Outcome o, const RestoreProof::Counts& counts)
{
    o.proved = true;
    if (o.decrypted) {
        o.text = QStringLiteral("Prova di ripristino riuscita: la copia cifrata %1 è stata decifrata con la chiave di "
                                "ripristino, si apre come agenda, supera il controllo di integrità e contiene %2.")
                     .arg(o.file, contents(counts));
        o.what = QStringLiteral("copia cifrata %1 decifrata e ripristinata in prova (%2)").arg(o.file, contents(counts));
    } else {
        o.text = QStringLiteral("Prova di ripristino riuscita: il backup %1 si apre come agenda, supera il controllo di "
                                "integrità e contiene %2.")
                     .arg(o.file, contents(counts));
        o.what = QStringLiteral("backup %1 ripristinato in prova (%2)").arg(o.file, contents(counts));
    }
    return o;
}

} // namespace

RestoreProof::RestoreProof(std::unique_ptr<QSettings> local, const QString& agenda, Restorer restorer, QObject* parent)
    : QObject(parent)
    , m_local(std::move(local))
    , m_prefix(QStringLiteral("provaRipristino/")
               + QString::fromLatin1(agenda.toUtf8().toBase64(QByteArray::Base64UrlEncoding
                                                               | QByteArray::OmitTrailingEquals)))
    , m_restorer(std::move(restorer))
{
}

RestoreProof::~RestoreProof()
{
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

QString RestoreProof::key(const char* name) const
{
    return m_prefix + u'/' + QLatin1String(name);
}

std::optional<QString> RestoreProof::newestIn(const QString& folder)
{
    static const QRegularExpression name(
        QStringLiteral("^calvora-[0-9]{4}-[0-9]{2}-[0-9]{2}(?:_[0-9]{6})?\\.sqlite(?:\\.cifrato)?$"));
    std::optional<QString> newest;
    const auto moment = [](const QString& file) { return file.endsWith(encryptedSuffix) ? file.chopped(encryptedSuffix.size()) : file; };
    for (const QString& file : QDir(folder).entryList(QDir::Files)) {
        if (!name.match(file).hasMatch())
            continue;
        // An on-demand backup's "_HHmmss" sorts after the day's daily one, as the backups' own pruning has it.
        const bool later = !newest || moment(file) > moment(*newest)
            || (moment(file) == moment(*newest) && !file.endsWith(encryptedSuffix));
        if (later)
            newest = file;
    }
    if (!newest)
        return std::nullopt;
    return QDir(folder).filePath(*newest);
}

bool RestoreProof::isEncrypted(const QString& path)
{
    return SealedFile::isSealed(path);
}

RestoreProof::Outcome RestoreProof::prove(const QString& copy, const std::optional<QByteArray>& secretKey,
                                          const Restorer& restorer)
{
    Outcome o;
    o.file = QFileInfo(copy).fileName();
    try {
        const QTemporaryDir scratch;
        if (!scratch.isValid())
            throw DatabaseError(QStringLiteral("impossibile creare una cartella di prova (") + scratch.errorString() + u')');
        if (!isEncrypted(copy))
            return restored(o, restorer(copy, scratch.path()));
        if (!secretKey) {
            SealedFile::checkWithoutKey(copy);
            o.proved = true;
            o.checkedOnly = true;
            o.text = QStringLiteral("Copia cifrata %1 solo verificata, non decifrata: si legge fino alla fine e la sua "
                                    "intestazione è corretta, ma il contenuto si può controllare solo con la chiave di "
                                    "ripristino.")
                         .arg(o.file);
            o.what = QStringLiteral("copia cifrata %1 solo verificata, non decifrata").arg(o.file);
            return o;
        }
        const QString plain = scratch.filePath(QStringLiteral("backup-decifrato.sqlite"));
        SealedFile::open(copy, plain, *secretKey);
        o.decrypted = true;
        return restored(o, restorer(plain, scratch.path()));
    } catch (const DatabaseError& error) {
        o.proved = false;
        o.text = QStringLiteral("Prova di ripristino non riuscita con %1: %2.").arg(o.file, error.message());
        return o;
    }
}

void RestoreProof::record(const Outcome& outcome)
{
    m_outcome = outcome;
    if (!outcome.proved)
        return;
    m_local->setValue(key("quando"), Clock::now().toUTC().toString(Qt::ISODate));
    m_local->setValue(key("cosa"), outcome.what);
    m_local->sync();
}

RestoreProof::Outcome RestoreProof::proveNow(const QString& copy, const std::optional<QByteArray>& secretKey)
{
    record(prove(copy, secretKey, m_restorer));
    emit changed();
    return m_outcome;
}

void RestoreProof::start(const QString& copy, const std::optional<QByteArray>& secretKey)
{
    if (m_worker)
        return;
    // A large agenda on a network share takes seconds to read and decrypt: the window goes on.
    auto result = std::make_shared<Outcome>();
    m_worker = QThread::create([copy, secretKey, restorer = m_restorer, result] { *result = prove(copy, secretKey, restorer); });
    connect(m_worker, &QThread::finished, this, [this, result] {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
        record(*result);
        emit changed();
    });
    m_worker->start(QThread::LowPriority);
    emit changed();
}

std::optional<QDateTime> RestoreProof::lastProved() const
{
    const QDateTime at = QDateTime::fromString(m_local->value(key("quando")).toString(), Qt::ISODate);
    return at.isValid() ? std::optional<QDateTime>(at.toLocalTime()) : std::nullopt;
}

QString RestoreProof::lastProvedWhat() const
{
    return m_local->value(key("cosa")).toString();
}

QString RestoreProof::lastProvedLine() const
{
    const std::optional<QDateTime> at = lastProved();
    if (!at)
        return QStringLiteral("Ultima prova di ripristino: mai");
    return QStringLiteral("Ultima prova di ripristino: ") + Cal::format(*at, QStringLiteral("EEEEdMMMMyHHmm"))
        + QStringLiteral(" – ") + lastProvedWhat();
}
