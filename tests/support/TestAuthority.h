#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A certificate authority of the test's own, made at run time with the openssl command in a temporary
// folder, so that nothing secret lives in the repository. It signs server certificates for
// "localhost" (and 127.0.0.1), as a practice's authority signs its server's. Failures of the openssl
// command throw std::runtime_error.
class TestAuthority {
public:
    explicit TestAuthority(const QString& name);

    // The authority's own certificate: the root a computer installs to trust its servers.
    [[nodiscard]] QString root() const { return m_dir.filePath(QStringLiteral("root.crt")); }

    struct Issued {
        QString certificate;
        QString key;
    };
    // A new key and a certificate for localhost signed by this authority, both PEM files.
    [[nodiscard]] Issued issue();

    // A certificate file's SHA-256 fingerprint as `openssl x509 -noout -fingerprint -sha256` prints it.
    [[nodiscard]] static QString fingerprint(const QString& certificate);

private:
    // What the command printed.
    static QString openssl(const QStringList& arguments);

    QTemporaryDir m_dir;
    int m_issued = 0;
};
