#include "PgConnection.h"

#include "Libpq.h"

#include <QByteArray>
#include <QFileInfo>
#include <QTimeZone>

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>

#include <vector>

namespace {

struct Keywords {
    std::vector<QByteArray> storage;
    std::vector<const char*> keywords;
    std::vector<const char*> values;
};

Keywords keywordsOf(const ConnectionLine::Options& options)
{
    Keywords k;
    k.storage.reserve(options.size() * 2);
    for (const auto& [keyword, value] : options) {
        k.storage.push_back(keyword.toUtf8());
        k.keywords.push_back(k.storage.back().constData());
        k.storage.push_back(value.toUtf8());
        k.values.push_back(k.storage.back().constData());
    }
    k.keywords.push_back(nullptr);
    k.values.push_back(nullptr);
    return k;
}

// A look at whether the server speaks TLS at all: encrypted, checking no certificate, never past the
// handshake (the attempt stops there).
ConnectionLine::Options handshakeOnly(const ConnectionLine& line, const QProcessEnvironment& environment)
{
    ConnectionLine::Options options = line.connectionOptions(environment);
    options.removeIf([](const auto& o) {
        return o.first == u"sslmode" || o.first == u"sslrootcert" || o.first == u"gssencmode";
    });
    options.append({QStringLiteral("sslmode"), QStringLiteral("require")});
    options.append({QStringLiteral("sslrootcert"), ConnectionLine::noRootCertificate()});
    options.append({QStringLiteral("gssencmode"), QStringLiteral("disable")});
    return options;
}

int connectTimeoutOf(const ConnectionLine& line)
{
    bool ok = false;
    const int seconds = line.option(QStringLiteral("connect_timeout")).toInt(&ok);
    // libpq itself treats anything under two seconds (but zero, "wait for ever") as two.
    if (!ok)
        return ConnectionLine::defaultConnectTimeout;
    return seconds <= 0 ? 0 : std::max(seconds, 2);
}

bool checksCertificate(const QString& sslmode)
{
    return sslmode.startsWith(u"verify");
}

// The sslmode the attempt will use when the line, PGSSLMODE or the program chose one (else libpq's
// default or the service file's, which checks nothing).
QString plannedSslMode(const ConnectionLine& line, const QProcessEnvironment& environment)
{
    for (const auto& [keyword, value] : line.connectionOptions(environment))
        if (keyword == u"sslmode")
            return value;
    return environment.value(QStringLiteral("PGSSLMODE"));
}

} // namespace

PgConnection::PgConnection(pg_conn* connection, const ConnectionLine& line, Goal goal)
    : m_connection(connection)
    , m_trusted(line.trusted())
    , m_rootFile(line.rootCertificate(QProcessEnvironment::systemEnvironment()))
    , m_goal(goal)
    , m_started(std::chrono::steady_clock::now())
    , m_connectTimeout(connectTimeoutOf(line))
{
    // The server's notices (such as its warning before a shutdown) are no business of the terminal.
    if (m_connection)
        PQsetNoticeProcessor(m_connection, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection()
{
    PQfinish(m_connection);
}

std::unique_ptr<PgConnection> PgConnection::begin(const ConnectionLine& line, Goal goal)
{
    if (const QString missing = Libpq::load(); !missing.isEmpty())
        throw DatabaseError(missing, DatabaseError::Kind::Unavailable);
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const Keywords k = keywordsOf(goal == Goal::Handshake ? handshakeOnly(line, environment)
                                                          : line.connectionOptions(environment));
    std::unique_ptr<PgConnection> c(
        new PgConnection(PQconnectStartParams(k.keywords.data(), k.values.data(), 0), line, goal));
    if (!c->m_connection)
        throw DatabaseError(QStringLiteral("memoria esaurita"), DatabaseError::Kind::Unavailable);
    // Without its root certificate the check cannot even begin: said here, in the program's words.
    const QString sslmode = plannedSslMode(line, environment);
    if (goal == Goal::Session && checksCertificate(sslmode) && c->m_rootFile != u"system"
        && !QFileInfo::exists(c->m_rootFile))
        c->fail(ConnectFailure::Reason::RootMissing);
    return c;
}

std::unique_ptr<PgConnection> PgConnection::open(const ConnectionLine& line, Identity* seen)
{
    std::unique_ptr<PgConnection> c = begin(line, Goal::Session);
    const Progress progress = c->proceed(true);
    if (seen)
        *seen = c->m_identity;
    if (progress == Progress::Ready)
        return c;
    if (c->m_tlsUnclear)
        c->fail(tlsWorks(line) ? ConnectFailure::Reason::CertificateRefused : ConnectFailure::Reason::NoTls);
    throw DatabaseError(c->m_failure, c->m_failureKind);
}

std::unique_ptr<PgConnection> PgConnection::start(const ConnectionLine& line)
{
    return begin(line, Goal::Session);
}

bool PgConnection::tlsWorks(const ConnectionLine& line)
{
    return begin(line, Goal::Handshake)->proceed(true) == Progress::Ready;
}

PgConnection::Progress PgConnection::advance(std::chrono::milliseconds budget)
{
    return proceed(false, budget);
}

// The libpq state machine, polled: waiting on the socket only when asked to (or for the budget), and
// never past the connect time-out.
PgConnection::Progress PgConnection::proceed(bool wait, std::chrono::milliseconds budget)
{
    const auto budgetEnd = std::chrono::steady_clock::now() + budget;
    if (!m_failure.isEmpty())
        return Progress::Failed;
    if (PQstatus(m_connection) == CONNECTION_OK)
        return Progress::Ready;
    for (;;) {
        if (PQstatus(m_connection) == CONNECTION_BAD) {
            failConnecting();
            return Progress::Failed;
        }
        const auto waited = std::chrono::steady_clock::now() - m_started;
        const auto left = std::chrono::seconds(m_connectTimeout) - waited;
        if (m_connectTimeout > 0 && left <= std::chrono::seconds(0)) {
            fail(ConnectFailure::Reason::TimedOut);
            return Progress::Failed;
        }
        int timeout = !wait ? 0
            : m_connectTimeout > 0 ? int(std::chrono::ceil<std::chrono::milliseconds>(left).count())
                                   : -1;
        if (!wait && budget.count() > 0)
            timeout = int(std::max<qint64>(
                0, std::chrono::ceil<std::chrono::milliseconds>(budgetEnd - std::chrono::steady_clock::now()).count()));
        pollfd socket{PQsocket(m_connection), short(m_waitForWrite ? POLLOUT : POLLIN), 0};
        if (socket.fd >= 0 && ::poll(&socket, 1, timeout) <= 0) {
            if (!wait)
                return Progress::Waiting;
            continue;
        }
        const PostgresPollingStatusType polled = PQconnectPoll(m_connection);
        noteStage();
        if (handshakeJustDone()) {
            if (m_goal == Goal::Handshake)
                return Progress::Ready;
            if (!checkIdentity())
                return Progress::Failed;
        }
        switch (polled) {
        case PGRES_POLLING_OK:
            try {
                readySession();
            } catch (const DatabaseError& error) {
                m_failure = error.message();
                m_failureKind = error.kind();
                return Progress::Failed;
            }
            return Progress::Ready;
        case PGRES_POLLING_FAILED:
            failConnecting();
            return Progress::Failed;
        case PGRES_POLLING_READING:
            m_waitForWrite = false;
            break;
        default:
            m_waitForWrite = true;
            break;
        }
    }
}

void PgConnection::noteStage()
{
    switch (PQstatus(m_connection)) {
    case CONNECTION_BAD:
        return; // the stage before the failure is the one that tells
    case CONNECTION_SSL_STARTUP:
        m_stage = Stage::Tls;
        return;
    case CONNECTION_AWAITING_RESPONSE:
    case CONNECTION_AUTH_OK:
    case CONNECTION_SETENV:
    case CONNECTION_CHECK_WRITABLE:
    case CONNECTION_CONSUME:
    case CONNECTION_CHECK_TARGET:
    case CONNECTION_CHECK_STANDBY:
        m_stage = Stage::Login;
        return;
    default:
        m_stage = Stage::Connecting;
        return;
    }
}

// libpq marks TLS in use from the start of the handshake, and leaves the TLS stage when it is done;
// each host of a line (libpq may try several) shakes hands anew.
bool PgConnection::handshakeJustDone()
{
    const ConnStatusType status = PQstatus(m_connection);
    if (status == CONNECTION_BAD || status == CONNECTION_SSL_STARTUP || !PQsslInUse(m_connection)) {
        m_identityChecked = false;
        return false;
    }
    if (m_identityChecked)
        return false;
    m_identityChecked = true;
    return true;
}

QString PgConnection::sslMode() const
{
    QString sslmode;
    if (PQconninfoOption* options = PQconninfo(m_connection)) {
        for (const PQconninfoOption* o = options; o->keyword; ++o)
            if (qstrcmp(o->keyword, "sslmode") == 0 && o->val)
                sslmode = QString::fromUtf8(o->val);
        PQconninfoFree(options);
    }
    return sslmode;
}

QString PgConnection::endpoint() const
{
    return ServerFingerprints::endpoint(QString::fromUtf8(PQhost(m_connection)), QString::fromUtf8(PQport(m_connection)));
}

// Right after the handshake, before anything but the request for TLS went to the server.
bool PgConnection::checkIdentity()
{
    m_identity = {};
    m_identity.endpoint = endpoint();
    if (const QByteArray certificate = Libpq::peerCertificate(m_connection); !certificate.isEmpty())
        m_identity.fingerprint = ServerFingerprints::fingerprintOf(certificate);
    m_identity.confirmed = m_trusted.of(m_identity.endpoint);
    if (checksCertificate(sslMode())) {
        m_identity.proof = Identity::Proof::Authority;
        return true;
    }
    if (!m_identity.fingerprint.isEmpty() && m_identity.fingerprint == m_identity.confirmed) {
        m_identity.proof = Identity::Proof::Fingerprint;
        return true;
    }
    fail(m_identity.confirmed.isEmpty() ? ConnectFailure::Reason::IdentityUnproven
                                        : ConnectFailure::Reason::IdentityChanged);
    return false;
}

// Why libpq gave up, told by how far the attempt went; libpq's words are the detail.
void PgConnection::failConnecting()
{
    using Reason = ConnectFailure::Reason;
    if (m_stage == Stage::Login) {
        fail(PQconnectionNeedsPassword(m_connection) ? Reason::PasswordMissing : Reason::LoginRefused);
        return;
    }
    if (m_stage == Stage::Tls) {
        // A refused certificate and a server without TLS fail alike here: open() looks again, and
        // until then the mode tells the likelier.
        m_tlsUnclear = true;
        fail(checksCertificate(sslMode()) ? Reason::CertificateRefused : Reason::NoTls);
        return;
    }
    fail(Reason::Unreachable);
}

void PgConnection::fail(ConnectFailure::Reason reason)
{
    ConnectFailure::Context context;
    context.endpoint = endpoint();
    context.user = QString::fromUtf8(PQuser(m_connection));
    context.database = QString::fromUtf8(PQdb(m_connection));
    context.detail = lastError();
    context.rootFile = m_rootFile;
    context.timeoutSeconds = m_connectTimeout;
    const DatabaseError error = ConnectFailure::error(reason, context);
    m_failure = error.message();
    m_failureKind = error.kind();
}

// Over TCP the agenda travels encrypted unless whoever set up the line chose sslmode=disable (in the
// line, the service file or PGSSLMODE): "prefer" or "allow" that ended unencrypted is refused. An
// encrypted session was checked at its handshake (checkIdentity).
void PgConnection::readySession()
{
    const QString host = QString::fromUtf8(PQhost(m_connection));
    const bool socket = host.startsWith(u'/') || host.startsWith(u'@');
    if (!socket && !PQsslInUse(m_connection) && sslMode() != u"disable") {
        fail(ConnectFailure::Reason::Unencrypted);
        throw DatabaseError(m_failure, m_failureKind);
    }
    if (PQsslInUse(m_connection) && m_identity.proof == Identity::Proof::None && !checkIdentity())
        throw DatabaseError(m_failure, m_failureKind);
    if (QByteArray(PQparameterStatus(m_connection, "server_encoding")) != "UTF8")
        throw DatabaseError(QStringLiteral("il database del server non usa la codifica UTF8: creane uno con "
                                           "ENCODING 'UTF8' per Calvora"));
    // Times written by the server (created_at, updated_at) are in this computer's local time, as in the
    // data folder's file. A zone the server does not know leaves its own.
    try {
        (void)query(QStringLiteral("SELECT set_config('TimeZone', $1, false)"),
                    {QString::fromUtf8(QTimeZone::systemTimeZoneId())});
    } catch (const DatabaseError&) {
        if (broken())
            throw;
    }
}

QString PgConnection::proofText(Identity::Proof proof)
{
    switch (proof) {
    case Identity::Proof::Authority:
        return QStringLiteral(", cifrata e con il certificato del server garantito dal certificato radice");
    case Identity::Proof::Fingerprint:
        return QStringLiteral(", cifrata e con il certificato del server confermato dalla sua impronta");
    case Identity::Proof::None:
        break;
    }
    return {};
}

QString PgConnection::unavailableText(const QString& reason)
{
    return QStringLiteral("il server dell'archivio non risponde (") + reason
        + QStringLiteral("). Calvora si ricollega da solo appena il server torna raggiungibile.");
}
