#include "SealedBeside.h"

#include "DatabaseError.h"
#include "SealedFile.h"

#include <QFile>

SealedBeside::SealedBeside(const QString& backupPath, QString sealedPath, const QByteArray& publicKey)
    : m_path(std::move(sealedPath))
{
    try {
        SealedFile::seal(backupPath, m_path, publicKey);
    } catch (...) {
        QFile::remove(m_path);
        throw;
    }
}

SealedBeside::~SealedBeside()
{
    QFile::remove(m_path);
}

bool SealedBeside::sameAs(const QString& path) const
{
    QFile sealed(m_path);
    QFile other(path);
    if (!sealed.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly) || sealed.size() != other.size())
        return false;
    constexpr qint64 chunk = 1 << 20;
    for (;;) {
        const QByteArray a = sealed.read(chunk);
        const QByteArray b = other.read(chunk);
        if (a != b || sealed.error() != QFileDevice::NoError || other.error() != QFileDevice::NoError)
            return false;
        if (a.isEmpty())
            return true;
    }
}
