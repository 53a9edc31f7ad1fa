#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The practice's recovery key: an X25519 key pair (libsodium's crypto_box). The program keeps only the
// public half and encrypts every copy that leaves the practice with it; the secret half is written out
// once as words (and a QR code of the same words) and kept on paper, never by the program.
namespace RecoveryKey {

inline constexpr int keyBytes = 32;
// The words of a key: one per byte of the secret half, then two of a checksum.
inline constexpr int wordCount = keyBytes + 2;

struct Pair {
    QByteArray publicKey;
    QByteArray secretKey;
};

// A new pair from the system's random source.
[[nodiscard]] Pair create();
// The public half of a secret half (32 bytes each).
[[nodiscard]] QByteArray publicOf(const QByteArray& secretKey);

// The secret half as `wordCount` lowercase words from a fixed list of 256 Italian words.
[[nodiscard]] QStringList words(const QByteArray& secretKey);
// The secret half back from words typed or scanned: any spacing, punctuation or letter case; a word may
// be shortened to its first four letters (no two words share them). Absent when a word is unknown, the
// count is wrong or the checksum does not match (a word mistyped or swapped).
[[nodiscard]] std::optional<QByteArray> fromWords(const QString& text);

// A short mark of a public key, to tell which key encrypted a copy ("A1B2-C3D4").
[[nodiscard]] QString fingerprint(const QByteArray& publicKey);

// The fixed list, in order: its position is the byte a word stands for. It must never change.
[[nodiscard]] const QStringList& wordList();

} // namespace RecoveryKey
