#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class PgConnection;

// A throwaway PostgreSQL server of the test's own: a data folder in a temporary folder, listening on a
// Unix socket there and, when asked, on TCP at 127.0.0.1 on a port free at the start (with or without
// TLS), stopped and removed at the end, also when the test fails or the process dies (a watcher
// process stops it then). The first server of a build runs initdb into a template folder
// (CALVORA_PG_TEMPLATE) that later ones copy. The server refuses to run as root: a root process runs it
// as the user "postgres". Missing server binaries throw std::runtime_error with what to install.
class PgTestServer {
public:
    // Listening on TCP too; with a certificate and its key (PEM files) the server offers TLS, without
    // them it takes only unencrypted connections. The user "intruso" must give a password there too.
    struct Tcp {
        QString certificate;
        QString key;
    };

    PgTestServer();
    explicit PgTestServer(const Tcp& tcp);
    ~PgTestServer();
    PgTestServer(const PgTestServer&) = delete;
    PgTestServer& operator=(const PgTestServer&) = delete;

    // A new empty database; returns its connection line.
    QString createDatabase();
    // The connection line of a database of this server, as the superuser unless another user is named.
    [[nodiscard]] QString line(const QString& database, const QString& user = QStringLiteral("postgres")) const;
    // The same over TCP, to the name "localhost" at 127.0.0.1 (a server started with Tcp only).
    [[nodiscard]] QString tcpLine(const QString& database, const QString& user = QStringLiteral("postgres")) const;
    [[nodiscard]] int port() const { return m_port; }
    // The server takes another certificate and key: it is restarted with them.
    void replaceCertificate(const QString& certificate, const QString& key);
    // A superuser connection to a database, for what the tests do past the program.
    [[nodiscard]] std::unique_ptr<PgConnection> connect(const QString& database) const;

    // pg_ctl stop with a mode ("fast", "immediate") and start again, waiting until it answers.
    void stop(const QString& mode = QStringLiteral("fast"));
    void start();

    // What the server wrote to its log so far.
    [[nodiscard]] QString log() const;

    [[nodiscard]] QString socketFolder() const { return m_dir.path() + QStringLiteral("/socket"); }

    // Where the server binaries are (CALVORA_PG_BIN, else Debian's folder for version 15).
    [[nodiscard]] static QString binaries();

private:
    void prepare();
    void run(const QStringList& command) const;
    void startWatcher();
    void takeCertificate(const QString& certificate, const QString& key);

    QTemporaryDir m_dir;
    QString m_data;
    int m_port = 0; // 0: the default port, on the socket alone
    bool m_tls = false;
    int m_databases = 0;
    int m_watcherPipe = -1;
};
