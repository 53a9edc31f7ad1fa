#include "TestAuthority.h"

#include <QFile>
#include <QProcess>

#include <stdexcept>

namespace {

// Elliptic-curve keys: made in milliseconds.
const QStringList newKey{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

} // namespace

QString TestAuthority::openssl(const QStringList& arguments)
{
    QProcess process;
    process.start("openssl", arguments);
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
    openssl(QStringList{"req", "-x509"} + newKey
            + QStringList{"-keyout", m_dir.filePath("root.key"), "-out", root(), "-days", "2", "-subj",
                          "/CN=" + name});
}

TestAuthority::Issued TestAuthority::issue()
{
    const QString base = m_dir.filePath("server" + QString::number(++m_issued));
    const Issued issued{base + ".crt", base + ".key"};
    openssl(QStringList{"req", "-new"} + newKey
            + QStringList{"-keyout", issued.key, "-out", base + ".csr", "-subj", "/CN=localhost"});
    const QString extensions = base + ".ext";
    QFile file(extensions);
    if (!file.open(QIODevice::WriteOnly) || file.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
        throw std::runtime_error("cannot write the certificate's extensions");
    file.close();
    openssl({"x509", "-req", "-in", base + ".csr", "-CA", root(), "-CAkey", m_dir.filePath("root.key"),
             "-CAcreateserial", "-out", issued.certificate, "-days", "2", "-extfile", extensions});
    return issued;
}

QString TestAuthority::fingerprint(const QString& certificate)
{
    const QString printed = openssl({"x509", "-in", certificate, "-noout", "-fingerprint", "-sha256"});
    return printed.section(u'=', 1).trimmed();
}
