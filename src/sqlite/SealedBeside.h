#pragma once

#include <QByteArray>
#include <QString>

// A backup sealed for the recovery key (SealedFile) into a file on the practice's own disk, so that what
// leaves for the second place can be compared byte for byte once it is there: an encrypted copy cannot
// be read back without the recovery key, which the program never has. The file is removed with the
// object.
class SealedBeside {
public:
    // Seals `backupPath` into `sealedPath` (an empty file the caller made) for `publicKey`. Throws
    // DatabaseError with the reason in Italian; the file is then removed.
    SealedBeside(const QString& backupPath, QString sealedPath, const QByteArray& publicKey);
    ~SealedBeside();
    SealedBeside(const SealedBeside&) = delete;
    SealedBeside& operator=(const SealedBeside&) = delete;

    [[nodiscard]] const QString& path() const { return m_path; }
    // Whether the file at `path` holds exactly the sealed bytes, read now from both.
    [[nodiscard]] bool sameAs(const QString& path) const;

private:
    QString m_path;
};
