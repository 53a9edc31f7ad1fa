#include "ServerFingerprints.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

QString withColons(const QByteArray& hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
        pairs.append(QString::fromLatin1(hex.mid(i, 2)));
    return pairs.join(u':');
}

} // namespace

ServerFingerprints ServerFingerprints::read(const QString& path)
{
    ServerFingerprints result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return result;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() != 2 || fields[0].startsWith(u'#') || !fields[0].contains(u':'))
            continue;
        if (const QString fingerprint = normalized(fields[1]); !fingerprint.isEmpty())
            result.m_entries.insert(fields[0], fingerprint);
    }
    return result;
}

bool ServerFingerprints::write(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        file.write("# Certificati dei server confermati in Calvora: indirizzo del server (host:porta) e impronta\n"
                   "# SHA-256 del suo certificato. Calvora rifiuta il server se presenta un certificato diverso.\n");
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            file.write((it.key() + u' ' + it.value() + u'\n').toUtf8());
        if (file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

bool ServerFingerprints::namesHost(const QString& host) const
{
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it.key().section(u':', 0, -2) == host)
            return true;
    return false;
}

QString ServerFingerprints::endpoint(const QString& host, const QString& port)
{
    return host + u':' + port;
}

QString ServerFingerprints::fingerprintOf(const QByteArray& der)
{
    return withColons(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex().toUpper());
}

QString ServerFingerprints::normalized(const QString& text)
{
    QString hex = text.toUpper();
    hex.remove(u':');
    const bool valid = hex.size() == 64 && std::all_of(hex.cbegin(), hex.cend(), [](QChar c) {
                           return c.isDigit() || (c >= u'A' && c <= u'F');
                       });
    return valid ? withColons(hex.toLatin1()) : QString();
}
