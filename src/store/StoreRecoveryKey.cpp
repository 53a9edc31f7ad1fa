#include "Store.h"

#include "LoggedAct.h"

#include "AgendaArchive.h"
#include "Clock.h"
#include "SaveFailure.h"
#include "StorePractice.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject storedKey(AgendaArchive& archive)
{
    return QJsonDocument::fromJson(archive.allSettings().value(recoveryKeyKey).toUtf8()).object();
}

} // namespace

std::optional<QByteArray> Store::recoveryPublicKey()
{
    const QByteArray key = QByteArray::fromBase64(storedKey(m_archive).value(QStringLiteral("public")).toString().toLatin1());
    return key.isEmpty() ? std::nullopt : std::optional<QByteArray>(key);
}

std::optional<QDateTime> Store::recoveryKeyCreated()
{
    const QDateTime at =
        QDateTime::fromString(storedKey(m_archive).value(QStringLiteral("created")).toString(), Qt::ISODate);
    return at.isValid() ? std::optional<QDateTime>(at.toLocalTime()) : std::nullopt;
}

std::optional<QString> Store::setRecoveryPublicKey(const QByteArray& publicKey)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("recovery-key"));
    try {
        const QJsonObject row{{QStringLiteral("public"), QString::fromLatin1(publicKey.toBase64())},
                              {QStringLiteral("created"), Clock::now().toUTC().toString(Qt::ISODate)}};
        m_archive.writeSetting(recoveryKeyKey, QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    return std::nullopt;
}
