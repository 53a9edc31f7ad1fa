#include "SealedFile.h"

#include "DatabaseError.h"

#include <QFile>
#include <QFileInfo>

#include <sodium.h>

#include <unistd.h>

namespace {

using Stream = crypto_secretstream_xchacha20poly1305_state;
constexpr char magic[] = "CALVORA-SEALED\n";
constexpr qsizetype magicBytes = 15;
constexpr char version = 1;
constexpr qsizetype preambleBytes = magicBytes + 1;
constexpr qsizetype sealedKeyBytes = crypto_secretstream_xchacha20poly1305_KEYBYTES + crypto_box_SEALBYTES;
constexpr qsizetype streamHeaderBytes = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr qsizetype chunkOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;

unsigned char* bytes(QByteArray& b)
{
    return reinterpret_cast<unsigned char*>(b.data());
}

const unsigned char* bytes(const QByteArray& b)
{
    return reinterpret_cast<const unsigned char*>(b.constData());
}

void ready()
{
    if (sodium_init() < 0)
        throw DatabaseError(QStringLiteral("la libreria di cifratura non si avvia"));
}

QByteArray preamble()
{
    return QByteArray(magic, magicBytes) + QByteArray(1, version);
}

void openFile(QFile& file, QIODevice::OpenMode mode)
{
    if (!file.open(mode))
        throw DatabaseError(QStringLiteral("impossibile aprire %1 (%2)").arg(file.fileName(), file.errorString()));
}

void write(QFile& file, const QByteArray& data)
{
    if (file.write(data) != data.size())
        throw DatabaseError(QStringLiteral("scrittura non riuscita in %1 (%2)").arg(file.fileName(), file.errorString()));
}

constexpr size_t digestBytes = 32;

// What a sealed file is compared by once it has been written: BLAKE2b of its bytes.
class Digest {
public:
    Digest() { crypto_generichash_init(&m_state, nullptr, 0, digestBytes); }
    void add(const QByteArray& data)
    {
        crypto_generichash_update(&m_state, bytes(data), static_cast<unsigned long long>(data.size()));
    }
    QByteArray result()
    {
        QByteArray out(digestBytes, '\0');
        crypto_generichash_final(&m_state, bytes(out), digestBytes);
        return out;
    }

private:
    crypto_generichash_state m_state;
};

QByteArray readExactly(QFile& file, qsizetype count)
{
    QByteArray data = file.read(count);
    if (data.size() != count)
        throw DatabaseError(QStringLiteral("la copia cifrata %1 è incompleta o danneggiata").arg(file.fileName()));
    return data;
}

// The magic and the version byte, checked: a file that is no sealed copy, or one of a later format.
QByteArray readPreamble(QFile& in)
{
    const QByteArray head = readExactly(in, preambleBytes);
    if (!head.startsWith(QByteArray(magic, magicBytes)))
        throw DatabaseError(QStringLiteral("%1 non è una copia cifrata di Calvora").arg(in.fileName()));
    if (head.back() != version)
        throw DatabaseError(QStringLiteral("la copia cifrata %1 è in un formato più recente di questa versione di Calvora")
                                .arg(in.fileName()));
    return head;
}

DatabaseError damaged(const QFile& file)
{
    return DatabaseError(QStringLiteral("la copia cifrata %1 è danneggiata o è stata modificata").arg(file.fileName()));
}

} // namespace

bool SealedFile::isSealed(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(magicBytes) == QByteArray(magic, magicBytes);
}

QByteArray SealedFile::seal(const QString& plainPath, const QString& targetPath, const QByteArray& publicKey)
{
    ready();
    if (publicKey.size() != crypto_box_PUBLICKEYBYTES)
        throw DatabaseError(QStringLiteral("la chiave pubblica di ripristino non è valida"));
    QFile in(plainPath);
    QFile out(targetPath);
    openFile(in, QIODevice::ReadOnly);
    openFile(out, QIODevice::WriteOnly | QIODevice::Truncate);

    QByteArray key(crypto_secretstream_xchacha20poly1305_KEYBYTES, '\0');
    crypto_secretstream_xchacha20poly1305_keygen(bytes(key));
    QByteArray sealedKey(sealedKeyBytes, '\0');
    crypto_box_seal(bytes(sealedKey), bytes(key), static_cast<unsigned long long>(key.size()), bytes(publicKey));
    Stream state;
    QByteArray header(streamHeaderBytes, '\0');
    crypto_secretstream_xchacha20poly1305_init_push(&state, bytes(header), bytes(key));
    sodium_memzero(key.data(), static_cast<size_t>(key.size()));
    const QByteArray head = preamble();
    Digest written;
    const QByteArray opening = head + sealedKey + header;
    write(out, opening);
    written.add(opening);

    QByteArray cipher(chunkBytes + chunkOverhead, '\0');
    bool first = true;
    for (;;) {
        const QByteArray plain = in.read(chunkBytes);
        if (in.error() != QFileDevice::NoError)
            throw DatabaseError(QStringLiteral("lettura non riuscita di %1 (%2)").arg(plainPath, in.errorString()));
        const bool last = in.atEnd();
        unsigned long long length = 0;
        crypto_secretstream_xchacha20poly1305_push(
            &state, bytes(cipher), &length, bytes(plain), static_cast<unsigned long long>(plain.size()),
            first ? bytes(head) : nullptr, first ? static_cast<unsigned long long>(head.size()) : 0,
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0);
        const QByteArray sealedChunk = cipher.left(static_cast<qsizetype>(length));
        write(out, sealedChunk);
        written.add(sealedChunk);
        first = false;
        if (last)
            break;
    }
    if (!out.flush() || !out.handle() || ::fsync(out.handle()) != 0)
        throw DatabaseError(QStringLiteral("scrittura non riuscita in %1 (%2)").arg(targetPath, out.errorString()));
    return written.result();
}

QByteArray SealedFile::digestOf(const QString& path)
{
    ready();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Digest read;
    for (;;) {
        const QByteArray chunk = file.read(1 << 20);
        if (file.error() != QFileDevice::NoError)
            return {};
        if (chunk.isEmpty())
            return read.result();
        read.add(chunk);
    }
}

void SealedFile::open(const QString& sealedPath, const QString& targetPath, const QByteArray& secretKey)
{
    ready();
    QFile in(sealedPath);
    openFile(in, QIODevice::ReadOnly);
    const QByteArray head = readPreamble(in);
    const QByteArray sealedKey = readExactly(in, sealedKeyBytes);
    const QByteArray header = readExactly(in, streamHeaderBytes);
    QByteArray key(crypto_secretstream_xchacha20poly1305_KEYBYTES, '\0');
    QByteArray publicKey(crypto_box_PUBLICKEYBYTES, '\0');
    if (secretKey.size() != crypto_box_SECRETKEYBYTES
        || crypto_scalarmult_base(bytes(publicKey), bytes(secretKey)) != 0
        || crypto_box_seal_open(bytes(key), bytes(sealedKey), static_cast<unsigned long long>(sealedKey.size()),
                                bytes(publicKey), bytes(secretKey))
            != 0)
        throw DatabaseError(QStringLiteral("la chiave di ripristino non è quella con cui è stata cifrata questa copia"));
    Stream state;
    const int started = crypto_secretstream_xchacha20poly1305_init_pull(&state, bytes(header), bytes(key));
    sodium_memzero(key.data(), static_cast<size_t>(key.size()));
    if (started != 0)
        throw damaged(in);

    QFile out(targetPath);
    openFile(out, QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray plain(chunkBytes, '\0');
    bool first = true;
    for (;;) {
        const QByteArray cipher = in.read(chunkBytes + chunkOverhead);
        if (cipher.size() < chunkOverhead)
            throw damaged(in);
        unsigned long long length = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, bytes(plain), &length, &tag, bytes(cipher),
                                                       static_cast<unsigned long long>(cipher.size()),
                                                       first ? bytes(head) : nullptr,
                                                       first ? static_cast<unsigned long long>(head.size()) : 0)
            != 0)
            throw damaged(in);
        write(out, plain.left(static_cast<qsizetype>(length)));
        first = false;
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            if (!in.atEnd())
                throw damaged(in);
            break;
        }
    }
    if (!out.flush())
        throw DatabaseError(QStringLiteral("scrittura non riuscita in %1 (%2)").arg(targetPath, out.errorString()));
}

void SealedFile::checkWithoutKey(const QString& sealedPath)
{
    QFile in(sealedPath);
    openFile(in, QIODevice::ReadOnly);
    (void)readPreamble(in);
    (void)readExactly(in, sealedKeyBytes + streamHeaderBytes);
    // Every byte is read, as a restore would read it: a drive that fails somewhere in the middle shows it here.
    qint64 body = 0;
    for (;;) {
        const QByteArray piece = in.read(chunkBytes + chunkOverhead);
        if (piece.isEmpty())
            break;
        body += piece.size();
    }
    if (in.error() != QFileDevice::NoError)
        throw DatabaseError(QStringLiteral("lettura non riuscita di %1 (%2)").arg(sealedPath, in.errorString()));
    // Full chunks, then a shorter final one (possibly empty): anything else was cut or padded.
    const qint64 last = body % (chunkBytes + chunkOverhead);
    if (last < chunkOverhead)
        throw DatabaseError(QStringLiteral("la copia cifrata %1 è incompleta o danneggiata: la sua lunghezza non "
                                           "corrisponde a blocchi interi")
                                .arg(sealedPath));
}
