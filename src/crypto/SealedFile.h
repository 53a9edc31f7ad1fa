#pragma once

#include <QByteArray>
#include <QString>

// A file encrypted for the holder of a recovery key (RecoveryKey), readable by no one else, written without
// any secret at hand. Its layout, fixed so that a copy can be opened decades later:
//
//   bytes 0–15   the magic "CALVORA-SEALED\n" followed by the format version byte 0x01
//   bytes 16–95  the stream key (32 bytes) in a libsodium sealed box (crypto_box_seal, X25519 +
//                XSalsa20-Poly1305) for the recovery key's public half: 32 + 48 bytes
//   bytes 96–119 the header of a libsodium secret stream (crypto_secretstream_xchacha20poly1305)
//   then         the file in chunks of 65,536 bytes (the last shorter, possibly empty), each pushed into
//                the stream (17 more bytes each); the last one alone carries the tag FINAL. The first 16
//                bytes are the additional data of the first chunk, so the version cannot be changed
//                unseen.
//
// A missing, reordered, truncated or altered chunk, or bytes after the final one, fail the opening.
namespace SealedFile {

inline constexpr qsizetype chunkBytes = 65536;

// Whether the file begins with the magic (any version).
[[nodiscard]] bool isSealed(const QString& path);

// Encrypts `plainPath` into `targetPath` (created or truncated, flushed) for `publicKey` and returns the
// digestOf the bytes it wrote, so that the file can be read back and compared without the secret. Throws
// DatabaseError with the reason in Italian; the target may then hold a partial file, the caller's to remove.
QByteArray seal(const QString& plainPath, const QString& targetPath, const QByteArray& publicKey);

// BLAKE2b (32 bytes) of a file's bytes as read now; empty when it cannot be read.
[[nodiscard]] QByteArray digestOf(const QString& path);

// Decrypts `sealedPath` into `targetPath` with the recovery key's secret half. Throws DatabaseError: a
// key that is not the one the file was sealed for, a damaged or truncated file, a later format. The
// target may then hold a partial file, the caller's to remove.
void open(const QString& sealedPath, const QString& targetPath, const QByteArray& secretKey);

// What can be known of a sealed file without its key: it reads to its end, begins with the magic of a
// version this program knows, holds the sealed key and the stream header, and is as long as a series of
// chunks can make it. Throws DatabaseError with the reason in Italian; says nothing of the content.
void checkWithoutKey(const QString& sealedPath);

} // namespace SealedFile
