#include "SealedBeside.h"

#include "DatabaseError.h"
#include "SealedFile.h"

#include <QCryptographicHash>
#include <QFile>

SealedBeside::SealedBeside(const QString& backupPath, QString sealedPath, const QByteArray& publicKey)
    : m_path(std::move(sealedPath))
{
    try {
        SealedFile::seal(backupPath, m_path, publicKey);
        m_digest = digestOf(m_path);
        if (m_digest.isEmpty())
            throw DatabaseError(QStringLiteral("la copia cifrata non si rilegge"));
    } catch (...) {
        QFile::remove(m_path);
        throw;
    }
}

SealedBeside::~SealedBeside()
{
    QFile::remove(m_path);
}

QByteArray SealedBeside::digestOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}
