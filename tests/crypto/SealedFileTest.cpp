#include "DatabaseError.h"
#include "RecoveryKey.h"
#include "SealedFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray randomBytes(qsizetype n)
{
    QByteArray b(n, '\0');
    QRandomGenerator gen(7);
    for (char& c : b)
        c = static_cast<char>(gen.bounded(256));
    return b;
}

} // namespace

TEST(RecoveryKeyTest, wordsGiveTheKeyBackAndCatchMistakes)
{
    ASSERT_EQ(RecoveryKey::wordList().size(), 256);
    const RecoveryKey::Pair pair = RecoveryKey::create();
    EXPECT_EQ(RecoveryKey::publicOf(pair.secretKey), pair.publicKey);

    const QStringList words = RecoveryKey::words(pair.secretKey);
    ASSERT_EQ(words.size(), RecoveryKey::wordCount);
    EXPECT_EQ(RecoveryKey::fromWords(words.join(u' ')), pair.secretKey);
    // As typed from paper: capitals, dashes, line breaks, four-letter shortenings.
    QStringList loose;
    for (const QString& w : words)
        loose.append(w.size() > 4 && loose.size() % 2 ? w.left(4).toUpper() : w);
    EXPECT_EQ(RecoveryKey::fromWords(loose.join(QStringLiteral(" -\n"))), pair.secretKey);

    QStringList swapped = words;
    swapped.swapItemsAt(3, 4);
    if (swapped != words) {
        EXPECT_FALSE(RecoveryKey::fromWords(swapped.join(u' ')));
    }
    QStringList wrong = words;
    wrong[10] = RecoveryKey::wordList()[(RecoveryKey::wordList().indexOf(words[10]) + 1) % 256];
    EXPECT_FALSE(RecoveryKey::fromWords(wrong.join(u' ')));
    EXPECT_FALSE(RecoveryKey::fromWords(words.mid(1).join(u' ')));
    QStringList unknown = words;
    unknown[0] = QStringLiteral("computer");
    EXPECT_FALSE(RecoveryKey::fromWords(unknown.join(u' ')));
}

TEST(SealedFileTest, onlyTheRecoveryKeyOpensACopyAndOpensItExactly)
{
    QTemporaryDir dir;
    const RecoveryKey::Pair pair = RecoveryKey::create();
    // Sizes around the chunk's: empty, one short chunk, exactly two chunks, and a ragged tail.
    for (const qsizetype size : {qsizetype(0), qsizetype(100), 2 * SealedFile::chunkBytes,
                                 3 * SealedFile::chunkBytes + 17}) {
        SCOPED_TRACE(size);
        QByteArray plain = randomBytes(size);
        if (size >= 100)
            plain.replace(10, 13, "Rossi Mariano");
        const QString source = dir.filePath(QStringLiteral("plain"));
        const QString sealed = dir.filePath(QStringLiteral("sealed"));
        const QString back = dir.filePath(QStringLiteral("back"));
        writeAll(source, plain);
        SealedFile::seal(source, sealed, pair.publicKey);
        EXPECT_TRUE(SealedFile::isSealed(sealed));
        EXPECT_FALSE(SealedFile::isSealed(source));
        EXPECT_FALSE(readAll(sealed).contains("Rossi"));
        SealedFile::open(sealed, back, pair.secretKey);
        EXPECT_EQ(readAll(back), plain);
    }

    const QString source = dir.filePath(QStringLiteral("plain"));
    const QString sealed = dir.filePath(QStringLiteral("sealed"));
    const QString back = dir.filePath(QStringLiteral("back"));
    writeAll(source, randomBytes(SealedFile::chunkBytes + 5000));
    SealedFile::seal(source, sealed, pair.publicKey);
    const QByteArray good = readAll(sealed);
    const auto refused = [&](const QByteArray& bytes, const QByteArray& secret) {
        writeAll(sealed, bytes);
        try {
            SealedFile::open(sealed, back, secret);
        } catch (const DatabaseError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(refused(good, RecoveryKey::create().secretKey).contains(QStringLiteral("non è quella")));
    QByteArray flipped = good;
    flipped[good.size() - 100] = static_cast<char>(flipped[good.size() - 100] ^ 1);
    EXPECT_TRUE(refused(flipped, pair.secretKey).contains(QStringLiteral("danneggiata")));
    EXPECT_FALSE(refused(good.left(good.size() - 5000 - 17), pair.secretKey).isEmpty()); // the last chunk gone
    EXPECT_FALSE(refused(good + "x", pair.secretKey).isEmpty());
    QByteArray later = good;
    later[15] = 2;
    EXPECT_TRUE(refused(later, pair.secretKey).contains(QStringLiteral("più recente")));
    EXPECT_TRUE(refused(good, pair.secretKey).isEmpty());
}
