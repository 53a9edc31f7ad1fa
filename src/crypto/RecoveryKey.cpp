#include "RecoveryKey.h"

#include <QHash>
#include <QRegularExpression>

#include <sodium.h>

#include <stdexcept>

namespace {

void ready()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium non si avvia");
}

// Two bytes of BLAKE2b over the secret half: a mistyped or swapped word is caught before any copy is tried.
QByteArray checksum(const QByteArray& secretKey)
{
    unsigned char digest[16];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(secretKey.constData()),
                       static_cast<unsigned long long>(secretKey.size()), nullptr, 0);
    return QByteArray(reinterpret_cast<const char*>(digest), 2);
}

const QHash<QString, int>& byPrefix()
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        const QStringList& list = RecoveryKey::wordList();
        for (int i = 0; i < list.size(); ++i) {
            h.insert(list[i], i);
            h.insert(list[i].left(4), i);
        }
        return h;
    }();
    return index;
}

} // namespace

RecoveryKey::Pair RecoveryKey::create()
{
    ready();
    Pair pair{QByteArray(crypto_box_PUBLICKEYBYTES, '\0'), QByteArray(crypto_box_SECRETKEYBYTES, '\0')};
    crypto_box_keypair(reinterpret_cast<unsigned char*>(pair.publicKey.data()),
                       reinterpret_cast<unsigned char*>(pair.secretKey.data()));
    return pair;
}

QByteArray RecoveryKey::publicOf(const QByteArray& secretKey)
{
    ready();
    QByteArray pub(crypto_box_PUBLICKEYBYTES, '\0');
    if (secretKey.size() != crypto_box_SECRETKEYBYTES
        || crypto_scalarmult_base(reinterpret_cast<unsigned char*>(pub.data()),
                                  reinterpret_cast<const unsigned char*>(secretKey.constData()))
            != 0)
        return {};
    return pub;
}

QStringList RecoveryKey::words(const QByteArray& secretKey)
{
    QStringList out;
    const QStringList& list = wordList();
    for (const char byte : secretKey + checksum(secretKey))
        out.append(list[static_cast<unsigned char>(byte)]);
    return out;
}

std::optional<QByteArray> RecoveryKey::fromWords(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[^a-z]+"));
    const QStringList typed = text.toLower().split(separators, Qt::SkipEmptyParts);
    if (typed.size() != wordCount)
        return std::nullopt;
    QByteArray bytes;
    for (const QString& word : typed) {
        const auto found = byPrefix().constFind(word);
        if (found == byPrefix().constEnd())
            return std::nullopt;
        bytes.append(static_cast<char>(*found));
    }
    const QByteArray secret = bytes.left(keyBytes);
    if (bytes.mid(keyBytes) != checksum(secret))
        return std::nullopt;
    return secret;
}

QString RecoveryKey::fingerprint(const QByteArray& publicKey)
{
    ready();
    unsigned char digest[16];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(publicKey.constData()),
                       static_cast<unsigned long long>(publicKey.size()), nullptr, 0);
    const QString hex = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), 4).toHex().toUpper());
    return hex.left(4) + u'-' + hex.mid(4);
}
