#pragma once

#include "ConnectionLine.h"
#include "DatabaseError.h"
#include "SQLValue.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>

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
// true and the connection is of no further use), Overlap for the exclusion constraint's refusal
// (SQLSTATE 23P01), else General with the server's text. Texts holding a NUL character, which the
// server cannot keep, are refused before anything is sent.
class PgConnection {
public:
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects and readies the session, waiting at most the line's connect_timeout. Throws.
    [[nodiscard]] static std::unique_ptr<PgConnection> open(const ConnectionLine& line);
    // Starts a connection that advance() completes without ever waiting. Throws only when out of memory.
    [[nodiscard]] static std::unique_ptr<PgConnection> start(const ConnectionLine& line);
    enum class Progress { Waiting, Ready, Failed };
    // Moves a started connection on as far as it can without waiting; Failed after the connect timeout.
    // On Ready the session is ready as after open(); on Failed failure() says why.
    [[nodiscard]] Progress advance();
    [[nodiscard]] const QString& failure() const { return m_failure; }

    // One statement with its arguments bound as parameters ($1, $2, …).
    PgResult query(const QString& sql, const SQLArgs& args = {});
    // SQL text without parameters; several statements run in order, the first failure stops.
    void execute(const QString& sql);

    [[nodiscard]] bool broken() const;
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

    // The message of an unreachable server, around a reason (a clause: libpq's first line, or why a
    // connection attempt failed).
    [[nodiscard]] static QString unavailableText(const QString& reason);
    // A refused text: the server cannot store NUL characters.
    [[nodiscard]] static QString nulText();

private:
    explicit PgConnection(pg_conn* connection, int connectTimeoutSeconds);
    void readySession();
    [[nodiscard]] QString connectFailure() const;
    [[nodiscard]] DatabaseError errorOf(pg_result* result);

    pg_conn* m_connection;
    std::chrono::steady_clock::time_point m_started;
    int m_connectTimeout;
    bool m_waitForWrite = true;
    bool m_lost = false;
    QString m_failure;
};
