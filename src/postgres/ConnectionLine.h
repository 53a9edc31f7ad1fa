#pragma once

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
    // Whether TLS is made compulsory for this line: over TCP when the line chooses no sslmode and names
    // no service (whose own sslmode then stands; an unencrypted result is refused after connecting).
    [[nodiscard]] bool requiresTls(const QProcessEnvironment& environment) const;

    // The keywords to connect with: the line's own, then defaults for what it leaves unset: sslmode
    // (see requiresTls), connect_timeout, the program's name, UTF-8 and, over TCP, keepalives and a
    // limit to how long an unanswered send may wait, so that a vanished server is noticed in seconds.
    [[nodiscard]] Options connectionOptions(const QProcessEnvironment& environment) const;

    // Seconds a connection attempt may take when the line does not say.
    static constexpr int defaultConnectTimeout = 4;

private:
    QString m_text;
    QMap<QString, QString> m_options;
};
