#pragma once

#include "ConnectFailure.h"
#include "ConnectionLine.h"
#include "DatabaseError.h"
#include "SQLValue.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

struct pg_cancel;
struct pg_conn;
struct pg_result;

// The rows of one statement's answer; every column is read as text, as the server sends it.
class PgResult {
public:
    explicit PgResult(pg_result* result);
    [[nodiscard]] int rows() const;
    // NULL reads as the empty text.
    [[nodiscard]] QString text(int row, int column) const;
    // NULL reads as 0.
    [[nodiscard]] qint64 integer(int row, int column) const;

private:
    struct Clear {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clear> m_result;
};

// One connection to the server. Every failure is thrown as DatabaseError with an Italian message: of
// kind Unavailable when the server cannot be reached or the connection broke (broken() then answers
// true and the connection is of no further use), Untrusted when the server did not prove who it is,
// Overlap for the exclusion constraint's refusal (SQLSTATE 23P01), else General with the server's
// text. Texts holding a NUL character, which the server cannot keep, are refused before anything is
// sent.
//
// Over TCP the connection goes on only encrypted (unless sslmode=disable was chosen) and only to a
// server that proved who it is: libpq checked its certificate against a root certificate
// (sslmode verify-ca or verify-full), or its certificate's fingerprint is the one confirmed for its
// address (ConnectionLine::trusted()). The fingerprint is checked as soon as the TLS handshake ends,
// before the user's name, let alone a password, is sent.
class PgConnection {
public:
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // How the server proved who it is, once the TLS handshake is done.
    struct Identity {
        enum class Proof { None, Authority, Fingerprint };
        Proof proof = Proof::None;
        QString endpoint;    // "host:port" of the server that answered
        QString fingerprint; // of its certificate (ServerFingerprints form); empty without TLS
        QString confirmed;   // the fingerprint confirmed for that address; empty when none is
    };

    // Connects and readies the session, waiting at most the line's connect_timeout. Throws. *seen, when
    // given, tells what the server showed of itself, also when the connection is refused.
    [[nodiscard]] static std::unique_ptr<PgConnection> open(const ConnectionLine& line, Identity* seen = nullptr);
    // Starts a connection that advance() completes without ever waiting. Throws only when out of memory.
    [[nodiscard]] static std::unique_ptr<PgConnection> start(const ConnectionLine& line);
    enum class Progress { Waiting, Ready, Failed };
    // Moves a started connection on as far as it can without waiting longer than `budget` for the
    // server; Failed after the connect timeout. On Ready the session is ready as after open(); on Failed
    // failure() says why.
    [[nodiscard]] Progress advance(std::chrono::milliseconds budget = std::chrono::milliseconds(0));
    [[nodiscard]] const QString& failure() const { return m_failure; }
    [[nodiscard]] DatabaseError::Kind failureKind() const { return m_failureKind; }
    [[nodiscard]] const Identity& identity() const { return m_identity; }

    // One statement with its arguments bound as parameters ($1, $2, …).
    PgResult query(const QString& sql, const SQLArgs& args = {});
    // SQL text without parameters; several statements run in order, the first failure stops.
    void execute(const QString& sql);
    // Runs body between `begin` and COMMIT. Whatever body throws rolls the transaction back (a broken
    // connection takes it away with itself) and is thrown again; a COMMIT whose answer was lost throws
    // DatabaseError of kind Unavailable that says the change may not have been saved.
    void transaction(const std::function<void()>& body, const QString& begin = QStringLiteral("BEGIN"));

    [[nodiscard]] bool broken() const;
    // What another thread needs to stop this connection's statement under way (libpq's PQcancel, which
    // reaches the server on a connection of its own); it outlives the connection. Null when none can be
    // made (a broken connection).
    [[nodiscard]] std::shared_ptr<pg_cancel> canceller() const;
    // The server process of this connection, which is also the sender of its own notifications.
    [[nodiscard]] int backendPid() const;
    // A notification received: the server process that sent it, and what it says.
    struct Notification {
        int sender = 0;
        QString payload;
    };
    // Reads whatever the server has sent without waiting and appends each notification received; false
    // when that showed the connection broken.
    bool takeNotifications(QList<Notification>& received);

    // Where the connection leads, for the settings window: "database «calvora» su host:porta, utente «u»".
    [[nodiscard]] QString description() const;

    // How a server proved who it is, to follow description(): ", cifrata e con il certificato …"; empty
    // for no proof (a Unix socket, or sslmode=disable).
    [[nodiscard]] static QString proofText(Identity::Proof proof);

    // The message of an unreachable server, around a reason (a clause: libpq's first line, or why a
    // connection attempt failed).
    [[nodiscard]] static QString unavailableText(const QString& reason);
    // A refused text: the server cannot store NUL characters.
    [[nodiscard]] static QString nulText();

private:
    // How far an attempt went, for telling why it failed.
    enum class Stage { Connecting, Tls, Login };
    // Where an attempt stops: at Ready, or right after the TLS handshake (tlsWorks()).
    enum class Goal { Session, Handshake };

    PgConnection(pg_conn* connection, const ConnectionLine& line, Goal goal);
    [[nodiscard]] static std::unique_ptr<PgConnection> begin(const ConnectionLine& line, Goal goal);
    // Whether the server completes a TLS handshake at the line's address (nothing else is sent).
    [[nodiscard]] static bool tlsWorks(const ConnectionLine& line);
    // The first line of libpq's last error message.
    [[nodiscard]] QString lastError() const;
    [[nodiscard]] Progress proceed(bool wait, std::chrono::milliseconds budget = std::chrono::milliseconds(0));
    [[nodiscard]] bool handshakeJustDone();
    [[nodiscard]] bool checkIdentity();
    void noteStage();
    void failConnecting();
    void fail(ConnectFailure::Reason reason);
    [[nodiscard]] QString sslMode() const;
    // "host:port" of the server being reached (for several hosts, the one tried last).
    [[nodiscard]] QString endpoint() const;
    void readySession();
    [[nodiscard]] DatabaseError errorOf(pg_result* result);

    pg_conn* m_connection;
    ServerFingerprints m_trusted;
    QString m_rootFile;
    Goal m_goal;
    std::chrono::steady_clock::time_point m_started;
    int m_connectTimeout;
    bool m_waitForWrite = true;
    bool m_lost = false;
    Stage m_stage = Stage::Connecting;
    bool m_identityChecked = false;
    // libpq failed during the TLS handshake: a certificate refused, or a server that speaks no TLS at
    // all, which only another attempt can tell apart.
    bool m_tlsUnclear = false;
    Identity m_identity;
    QString m_failure;
    DatabaseError::Kind m_failureKind = DatabaseError::Kind::Unavailable;
};
