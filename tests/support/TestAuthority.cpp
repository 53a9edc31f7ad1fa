#include "TestAuthority.h"

#include <QFile>
#include <QProcess>

#include <stdexcept>

namespace {

// Elliptic-curve keys: made in milliseconds.
const QStringList newKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

} // namespace

QString TestAuthority::openssl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(("openssl " + arguments.join(u' ') + " failed: " + process.errorString() + "\n"
                                  + QString::fromLocal8Bit(process.readAllStandardError()))
                                     .toStdString());
    return QString::fromUtf8(process.readAllStandardOutput());
}

TestAuthority::TestAuthority(const QString& name)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + newKey
            + QStringList{QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("root.key")), QStringLiteral("-out"),
                          root(), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                          QStringLiteral("/CN=") + name});
}

TestAuthority::Issued TestAuthority::issue()
{
    const QString base = m_dir.filePath(QStringLiteral("server") + QString::number(++m_issued));
    const Issued issued{base + QStringLiteral(".crt"), base + QStringLiteral(".key")};
    openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + newKey
            + QStringList{QStringLiteral("-keyout"), issued.key, QStringLiteral("-out"), base + QStringLiteral(".csr"),
                          QStringLiteral("-subj"), QStringLiteral("/CN=localhost")});
    const QString extensions = base + QStringLiteral(".ext");
    QFile file(extensions);
    if (!file.open(QIODevice::WriteOnly) || file.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
        throw std::runtime_error("cannot write the certificate's extensions");
    file.close();
    openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), base + QStringLiteral(".csr"),
             QStringLiteral("-CA"), root(), QStringLiteral("-CAkey"), m_dir.filePath(QStringLiteral("root.key")),
             QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), issued.certificate, QStringLiteral("-days"),
             QStringLiteral("2"), QStringLiteral("-extfile"), extensions});
    return issued;
}

QString TestAuthority::fingerprint(const QString& certificate)
{
    const QString printed =
        openssl({QStringLiteral("x509"), QStringLiteral("-in"), certificate, QStringLiteral("-noout"),
                 QStringLiteral("-fingerprint"), QStringLiteral("-sha256")});
    return printed.section(u'=', 1).trimmed();
}
