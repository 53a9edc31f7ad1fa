// Over TCP the agenda goes only to a server that proved who it is, encrypted; and every common reason a
// connection fails is told in Italian with libpq's own words. Real servers with TLS, and a test
// certificate authority made at run time.
#include "ConnectionLine.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "TestAuthority.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Proof = PgConnection::Identity::Proof;

ConnectionLine lineOf(const QString& text, const ServerFingerprints& trusted = {})
{
    ConnectionLine line = *ConnectionLine::parse(text);
    line.setTrusted(trusted);
    return line;
}

bool encrypted(PgConnection& c)
{
    return c.query("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()").text(0, 0) == "t";
}

struct Refusal {
    QString message;
    DatabaseError::Kind kind = DatabaseError::Kind::General;
    PgConnection::Identity seen;
};

Refusal refusalOf(const ConnectionLine& line)
{
    Refusal refusal;
    try {
        (void)PgConnection::open(line, &refusal.seen);
        ADD_FAILURE() << "connected with " << line.text().toStdString();
    } catch (const DatabaseError& error) {
        refusal.message = error.message();
        refusal.kind = error.kind();
    }
    return refusal;
}

// HOME is where libpq (and the program) look for ~/.postgresql/root.crt: an empty folder of the test's.
class ServerTlsTest : public ::testing::Test {
protected:
    TestAuthority practice{"Autorita dello studio"};
    TestAuthority::Issued issued = practice.issue();
    PgTestServer server{PgTestServer::Tcp{issued.certificate, issued.key}};
    QTemporaryDir home;
    QByteArray savedHome = qgetenv("HOME");

    void SetUp() override { qputenv("HOME", home.path().toUtf8()); }
    void TearDown() override { qputenv("HOME", savedHome); }

    [[nodiscard]] QString line(const QString& more = {}) const { return server.tcpLine("postgres") + more; }
    [[nodiscard]] QString endpoint() const { return "localhost:" + QString::number(server.port()); }
    void installRoot(const QString& root) const
    {
        QDir(home.path()).mkpath(".postgresql");
        QFile::remove(home.filePath(".postgresql/root.crt"));
        ASSERT_TRUE(QFile::copy(root, home.filePath(".postgresql/root.crt")));
    }
};

} // namespace

TEST_F(ServerTlsTest, thePracticesRootIsTrustedAndAnotherRootOrNoneIsRefused)
{
    const std::unique_ptr<PgConnection> named = PgConnection::open(lineOf(line(" sslrootcert=" + practice.root())));
    EXPECT_TRUE(encrypted(*named));
    EXPECT_EQ(named->identity().proof, Proof::Authority);
    installRoot(practice.root());
    EXPECT_EQ(PgConnection::open(lineOf(line()))->identity().proof, Proof::Authority);

    const TestAuthority other("Altra autorita");
    installRoot(other.root());
    Refusal refused = refusalOf(lineOf(line()));
    EXPECT_EQ(refused.kind, DatabaseError::Kind::Untrusted);
    EXPECT_TRUE(refused.message.startsWith("il certificato del server non è attendibile: non è garantito dal "
                                           "certificato radice "
                                           + home.filePath(".postgresql/root.crt")))
        << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains("certificate verify failed")) << refused.message.toStdString();
    EXPECT_EQ(refused.seen.fingerprint, QString()); // nothing to confirm: a root said no

    QFile::remove(home.filePath(".postgresql/root.crt"));
    const qsizetype logBefore = server.log().size();
    for (const QString& unproven : {line(), line(" sslmode=require")}) {
        refused = refusalOf(lineOf(unproven));
        EXPECT_EQ(refused.kind, DatabaseError::Kind::Untrusted);
        EXPECT_EQ(refused.message, "l'identità del server " + endpoint()
                                       + " non è verificata: nessun certificato "
                                         "radice di questo computer garantisce il suo certificato, e l'impronta del "
                                         "certificato non è stata confermata");
        EXPECT_EQ(refused.seen.fingerprint, TestAuthority::fingerprint(issued.certificate));
    }
    // Refused before the login: the server saw connections, never a user.
    const QString log = server.log().mid(logBefore);
    EXPECT_TRUE(log.contains("connection received")) << log.toStdString();
    EXPECT_FALSE(log.contains("connection authorized")) << log.toStdString();

    refused = refusalOf(lineOf(line(" sslmode=verify-full sslrootcert=" + home.filePath("manca.crt"))));
    EXPECT_EQ(refused.message, "il certificato del server non si può verificare: manca il certificato radice "
                                   + home.filePath("manca.crt"));
}

TEST_F(ServerTlsTest, aConfirmedFingerprintStandsInForTheRootUntilTheCertificateChanges)
{
    const QString confirmed = TestAuthority::fingerprint(issued.certificate);
    ServerFingerprints trusted;
    trusted.set(endpoint(), confirmed);
    // It stands even where a root of another authority is installed.
    installRoot(TestAuthority("Altra autorita").root());
    const std::unique_ptr<PgConnection> c = PgConnection::open(lineOf(line(), trusted));
    EXPECT_TRUE(encrypted(*c));
    EXPECT_EQ(c->identity().proof, Proof::Fingerprint);
    EXPECT_EQ(PgConnection::open(lineOf(line(" sslmode=require"), trusted))->identity().proof, Proof::Fingerprint);

    ServerFingerprints elsewhere;
    elsewhere.set("localhost:1", confirmed);
    EXPECT_EQ(refusalOf(lineOf(line(" sslmode=require"), elsewhere)).kind, DatabaseError::Kind::Untrusted);

    const TestAuthority::Issued renewed = practice.issue();
    server.replaceCertificate(renewed.certificate, renewed.key);
    const Refusal refused = refusalOf(lineOf(line(), trusted));
    EXPECT_EQ(refused.kind, DatabaseError::Kind::Untrusted);
    EXPECT_TRUE(refused.message.startsWith("il certificato del server " + endpoint()
                                           + " non è quello confermato su questo computer"))
        << refused.message.toStdString();
    EXPECT_EQ(refused.seen.fingerprint, TestAuthority::fingerprint(renewed.certificate));
    EXPECT_EQ(refused.seen.confirmed, confirmed);
}

TEST(ServerTcpTest, anUnencryptedConnectionIsRefusedUnlessChosen)
{
    PgTestServer plain{PgTestServer::Tcp{}};
    const QString line = plain.tcpLine("postgres");
    const TestAuthority practice("Autorita dello studio");
    for (const QString& more : {QString(), " sslrootcert=" + practice.root()}) {
        const Refusal refused = refusalOf(lineOf(line + more));
        EXPECT_TRUE(refused.message.startsWith("il server non accetta connessioni cifrate (TLS)"))
            << refused.message.toStdString();
        EXPECT_TRUE(refused.message.contains("server does not support SSL")) << refused.message.toStdString();
    }
    EXPECT_EQ(refusalOf(lineOf(line + " sslmode=prefer")).message,
              "la connessione al server non è cifrata (TLS): attiva SSL sul server oppure, solo in una rete "
              "fidata, "
              "scrivi sslmode=disable nella riga");
    EXPECT_FALSE(encrypted(*PgConnection::open(lineOf(line + " sslmode=disable"))));
    qputenv("PGSSLMODE", "disable");
    EXPECT_EQ(TestSupport::errorOf([&] { (void)PgConnection::open(lineOf(line)); }), QString());
    qunsetenv("PGSSLMODE");
}

TEST(ServerTcpTest, theCommonFailuresAreToldInItalianWithLibpqsWords)
{
    PgTestServer server;
    Refusal refused = refusalOf(lineOf(server.line("postgres", "nessuno")));
    EXPECT_TRUE(refused.message.startsWith("il server ha rifiutato l'accesso dell'utente «nessuno» al database "
                                           "«postgres» ("))
        << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains("role \"nessuno\" does not exist")) << refused.message.toStdString();

    server.stop();
    refused = refusalOf(lineOf(server.line("postgres")));
    EXPECT_EQ(refused.kind, DatabaseError::Kind::Unavailable);
    EXPECT_TRUE(refused.message.startsWith("nessun server risponde all'indirizzo indicato dalla riga (connection to "
                                           "server on socket \""
                                           + server.socketFolder()))
        << refused.message.toStdString();
    server.start();

    // A server that takes the connection and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    refused = refusalOf(lineOf("hostaddr=127.0.0.1 port=" + QString::number(ntohs(address.sin_port))
                               + " connect_timeout=2 dbname=calvora"));
    ::close(silent);
    EXPECT_EQ(refused.message, "il server non ha risposto entro 2 secondi");
    EXPECT_EQ(refused.kind, DatabaseError::Kind::Unavailable);
}
