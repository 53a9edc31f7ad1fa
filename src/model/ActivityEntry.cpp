#include "ActivityEntry.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#ifdef CALVORA_OPENSSL_SHA256
#include <openssl/evp.h>
#endif

namespace ActivityChain {

QString genesis()
{
    return QString(64, u'0');
}

QString digest(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
#ifdef CALVORA_OPENSSL_SHA256
    // Fetched once: looking the algorithm up takes a lock at every call.
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    static const EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
#else
    static const EVP_MD* const sha256 = EVP_sha256();
#endif
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (sha256 && EVP_Digest(bytes.constData(), size_t(bytes.size()), out, &length, sha256, nullptr) == 1)
        return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(out), int(length)).toHex());
#endif
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString escaped(const QString& field)
{
    // Most fields hold neither character: they are shared, not copied.
    if (!field.contains(u'\\') && !field.contains(u'\n'))
        return field;
    QString out = field;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'\n', QStringLiteral("\\n"));
    return out;
}

QString canonical(const QString& previousHash, const ActivityEntry& e)
{
    const QString fields[] = {previousHash,
                              QString::number(e.n),
                              e.at,
                              e.action,
                              e.target,
                              e.subject ? QString::number(*e.subject) : QString(),
                              e.computer,
                              e.account,
                              e.operatorName,
                              e.client,
                              e.details,
                              e.personalDigest};
    qsizetype size = 0;
    for (const QString& f : fields)
        size += f.size() + 1;
    QString out;
    out.reserve(size);
    for (const QString& f : fields) {
        if (&f != &fields[0])
            out += u'\n';
        out += escaped(f);
    }
    return out;
}

QString hash(const QString& previousHash, const ActivityEntry& entry)
{
    return digest(canonical(previousHash, entry));
}

ActivityEntry sealed(ActivityEntry entry, const QString& previousHash)
{
    entry.personalDigest = digest(entry.personal);
    entry.hash = hash(previousHash, entry);
    return entry;
}

bool personalAnonymised(const QString& personal)
{
    const QJsonObject object = QJsonDocument::fromJson(personal.toUtf8()).object();
    if (object.isEmpty())
        return false;
    const std::function<bool(const QJsonValue&)> neutral = [&](const QJsonValue& v) {
        if (v.isString())
            return v.toString().isEmpty() || v.toString() == anonymised;
        if (v.isArray()) {
            for (const QJsonValue& item : v.toArray())
                if (!neutral(item))
                    return false;
            return true;
        }
        return v.isNull();
    };
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != u"salt" && !neutral(it.value()))
            return false;
    return true;
}

QString Verdict::message() const
{
    if (intact())
        return entries == 1 ? QStringLiteral("Registro integro: 1 voce") : QStringLiteral("Registro integro: %1 voci").arg(entries);
    return QStringLiteral("Registro alterato: %1").arg(problem);
}

Verifier::Verifier(std::function<bool(qint64 n)> anonymisedLater)
    : m_anonymisedLater(std::move(anonymisedLater))
    , m_previousHash(genesis())
    , m_hashBeforePrevious(genesis())
{
}

bool Verifier::fail(qint64 n, QString problem)
{
    m_verdict.firstBad = n;
    m_verdict.problem = std::move(problem);
    return false;
}

bool Verifier::add(const ActivityEntry& e)
{
    if (!m_verdict.intact())
        return false;
    if (m_pending) {
        // The entry after a wrong one tells how it went wrong: it still follows the wrong entry's
        // stored hash when only that entry's content was changed, and it was hashed under the next
        // number when an entry before it was taken out and the rest renumbered.
        const ActivityEntry bad = *m_pending;
        if (e.n == bad.n + 1 && hash(bad.hash, e) == e.hash)
            return fail(bad.n, QStringLiteral("la voce %1 è stata modificata").arg(bad.n));
        if (e.n == bad.n + 1 && hash(bad.hash, withNumber(e, e.n + 1)) == e.hash)
            return fail(bad.n, QStringLiteral("manca la voce %1 (rimossa)").arg(bad.n));
        return fail(bad.n, QStringLiteral("la voce %1 non segue la precedente (modificata, rimossa o inserita)")
                               .arg(bad.n));
    }
    if (e.n > m_expected)
        return fail(m_expected, QStringLiteral("manca la voce %1 (rimossa)").arg(m_expected));
    if (e.n < m_expected)
        return fail(e.n, QStringLiteral("la voce %1 è fuori ordine o ripetuta").arg(e.n));
    const bool personalWhole = digest(e.personal) == e.personalDigest
                               || (personalAnonymised(e.personal) && m_anonymisedLater && m_anonymisedLater(e.n));
    if (!personalWhole)
        return fail(e.n, QStringLiteral("i dati personali della voce %1 sono stati modificati").arg(e.n));
    if (hash(m_previousHash, e) != e.hash) {
        // Hashed under the number before it and after the entry before the previous one: the previous
        // entry was slipped in and the rest renumbered.
        if (e.n > 1 && hash(m_hashBeforePrevious, withNumber(e, e.n - 1)) == e.hash)
            return fail(e.n - 1, QStringLiteral("la voce %1 è stata inserita fuori ordine").arg(e.n - 1));
        m_pending = e;
        ++m_verdict.entries;
        return true;
    }
    m_hashBeforePrevious = m_previousHash;
    m_previousHash = e.hash;
    ++m_expected;
    ++m_verdict.entries;
    return true;
}

Verdict Verifier::verdict() const
{
    if (m_pending && m_verdict.intact()) {
        Verdict last = m_verdict;
        last.firstBad = m_pending->n;
        last.problem = QStringLiteral("la voce %1 è stata modificata").arg(m_pending->n);
        return last;
    }
    return m_verdict;
}

ActivityEntry Verifier::withNumber(ActivityEntry e, qint64 n)
{
    // An entry slipped in or taken out shifts the numbers after it by one; each was hashed under its old one.
    e.n = n;
    return e;
}

} // namespace ActivityChain
