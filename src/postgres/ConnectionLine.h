#pragma once

#include "ServerFingerprints.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

// The line that says how to reach the practice's PostgreSQL server: libpq's "key=value …" form or a
// postgresql:// URI, given with --server or kept in the data folder. It never carries a password:
// libpq's password file (~/.pgpass, PGPASSFILE) and service file (pg_service.conf) are the way.
class ConnectionLine {
public:
    using Options = QList<QPair<QString, QString>>;

    // The line as libpq reads it; absent with an Italian reason (a clause without
    // final stop) when it is empty, malformed or holds a
    // password.
    [[nodiscard]] static std::optional<ConnectionLine> parse(const QString& line, QString* reason = nullptr);

    [[nodiscard]] const QString& text() const { return m_text; }
    // The value of one keyword the line sets; the empty text when it sets none.
    [[nodiscard]] QString option(const QString& keyword) const { return m_options.value(keyword); }

    // Whether the connection goes over TCP/IP: a host name or address (from the line, else from
    // PGHOST/PGHOSTADDR) rather than a Unix-socket folder. A line naming a service leaves the host to
    // the service file and counts as TCP unless it gives a socket folder itself.
    [[nodiscard]] bool overTcp(const QProcessEnvironment& environment) const;
    // Whether the program chooses the sslmode: over TCP when neither the line nor PGSSLMODE chooses one
    // and the line names no service (whose own sslmode then stands). Whatever the mode, the connection
    // is refused after connecting unless it is encrypted and the server proved who it is (PgConnection).
    [[nodiscard]] bool requiresTls(const QProcessEnvironment& environment) const;
    // The sslmode chosen when requiresTls: "require" when a fingerprint is confirmed for a host of the
    // line (the fingerprint is the check), else "verify-full" when there is a root certificate to
    // check the server against, else "require", whose unproven server is then refused.
    [[nodiscard]] QString chosenSslMode(const QProcessEnvironment& environment) const;
    // The root certificate file libpq checks the server's certificate against: the line's sslrootcert,
    // else PGSSLROOTCERT, else .postgresql/root.crt in the home folder (HOME, else the user's).
    [[nodiscard]] QString rootCertificate(const QProcessEnvironment& environment) const;

    // The keywords to connect with: the line's own, then defaults for what it leaves unset: sslmode
    // (see chosenSslMode) and, for a mode that checks no certificate, noRootCertificate(), connect_timeout, the program's name, UTF-8 and, over TCP, keepalives and a
    // limit to how long an unanswered send may wait, so that a vanished server is noticed in seconds.
    [[nodiscard]] Options connectionOptions(const QProcessEnvironment& environment) const;

    // The server certificates confirmed on this computer, accepted in place of a root certificate.
    void setTrusted(ServerFingerprints trusted) { m_trusted = std::move(trusted); }
    [[nodiscard]] const ServerFingerprints& trusted() const { return m_trusted; }

    // A root certificate that can never be found: with it "require" checks no chain, not even against
    // ~/.postgresql/root.crt, and the confirmed fingerprint is the one check.
    [[nodiscard]] static QString noRootCertificate();

    // Seconds a connection attempt may take when the line does not say.
    static constexpr int defaultConnectTimeout = 4;

private:
    // The hosts the line names (else PGHOST, PGHOSTADDR); empty when a service names them.
    [[nodiscard]] QStringList hosts(const QProcessEnvironment& environment) const;

    QString m_text;
    QMap<QString, QString> m_options;
    ServerFingerprints m_trusted;
};
