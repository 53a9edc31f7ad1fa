#include "PgTestServer.h"

#include "ConnectionLine.h"
#include "PgConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool asRoot()
{
    return ::geteuid() == 0;
}

// Commands run as "postgres" when we are root, since the server refuses to run as root.
QStringList asServerUser(const QStringList& command)
{
    if (!asRoot())
        return command;
    return QStringList{"runuser", "-u", "postgres", "--"} + command;
}

void giveToServerUser(const QString& path)
{
    if (!asRoot())
        return;
    const passwd* user = ::getpwnam("postgres");
    if (!user)
        throw std::runtime_error("tests run as root need the user \"postgres\" (Debian's postgresql package makes it)");
    QProcess::execute("chown", {"-R", "postgres:", path});
}

QString templateFolder()
{
    const QString configured = qEnvironmentVariable("CALVORA_PG_TEMPLATE");
    return configured.isEmpty() ? QDir::tempPath() + "/calvora-pg-template-" + QString::number(::geteuid())
                                : configured;
}

// A port nobody listens on now: the system's choice for a socket bound to port 0.
int freePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool found = probe >= 0 && ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (probe >= 0)
        ::close(probe);
    if (!found)
        throw std::runtime_error("no free TCP port");
    return ntohs(address.sin_port);
}

} // namespace

QString PgTestServer::binaries()
{
    const QString configured = qEnvironmentVariable("CALVORA_PG_BIN");
    return configured.isEmpty() ? "/usr/lib/postgresql/15/bin" : configured;
}

void PgTestServer::run(const QStringList& command) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList full = asServerUser(command);
    process.start(full.first(), full.mid(1));
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(("command failed: " + full.join(u' ') + "\n" + QString::fromLocal8Bit(process.readAll()))
                                     .toStdString());
}

PgTestServer::PgTestServer()
{
    prepare();
    startWatcher();
    start();
}

// Another test may take the port between the look and the start: then another port is tried.
PgTestServer::PgTestServer(const Tcp& tcp)
{
    prepare();
    QFile hba(m_data + "/pg_hba.conf");
    if (!hba.open(QIODevice::Append)
        || hba.write("host all intruso 127.0.0.1/32 scram-sha-256\nhost all all 127.0.0.1/32 trust\n") < 0)
        throw std::runtime_error("cannot write pg_hba.conf");
    hba.close();
    if (!tcp.certificate.isEmpty()) {
        m_tls = true;
        takeCertificate(tcp.certificate, tcp.key);
    }
    startWatcher();
    for (int attempt = 0;; ++attempt) {
        m_port = freePort();
        try {
            start();
            return;
        } catch (const std::runtime_error&) {
            if (attempt == 4)
                throw;
        }
    }
}

void PgTestServer::prepare()
{
    const QString bin = binaries();
    if (!QFileInfo(bin + "/initdb").isExecutable() || !QFileInfo(bin + "/pg_ctl").isExecutable())
        throw std::runtime_error(("the PostgreSQL server is not installed: no initdb and pg_ctl in " + bin
                                  + " (tools/deps.sh installs Debian's postgresql; CALVORA_PG_BIN names another folder)")
                                     .toStdString());
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755); // the server user must reach its folders
    m_data = m_dir.path() + "/data";
    QDir().mkpath(socketFolder());
    giveToServerUser(socketFolder());

    // One initdb per build: a template made under a private name and renamed into place, then copied.
    const QString model = templateFolder();
    if (!QFileInfo::exists(model + "/PG_VERSION")) {
        const QString fresh = model + "." + QString::number(::getpid());
        QDir(fresh).removeRecursively();
        QDir().mkpath(fresh);
        ::chmod(QFile::encodeName(fresh).constData(), 0700);
        giveToServerUser(fresh);
        run({bin + "/initdb", "-D", fresh, "-U", "postgres", "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8",
             "--no-sync"});
        // A role that must give a password, which no test has: a refused login.
        {
            QFile hba(fresh + "/pg_hba.conf");
            if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw std::runtime_error("cannot write pg_hba.conf");
            hba.write("local all intruso scram-sha-256\nlocal all all trust\n");
        }
        if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(model).constData()) != 0)
            QDir(fresh).removeRecursively(); // another test made it first
    }
    if (QProcess::execute("cp", {"-a", model, m_data}) != 0)
        throw std::runtime_error("cannot copy the server template " + model.toStdString());
    giveToServerUser(m_data);
}

// The server reads them from its data folder, where they belong to its user; the key only to it.
void PgTestServer::takeCertificate(const QString& certificate, const QString& key)
{
    for (const auto& [from, to] : {std::pair{certificate, "server.crt"}, std::pair{key, "server.key"}}) {
        const QString target = m_data + u'/' + to;
        QFile::remove(target);
        if (!QFile::copy(from, target))
            throw std::runtime_error("cannot copy " + from.toStdString());
        giveToServerUser(target);
        ::chmod(QFile::encodeName(target).constData(), 0600);
    }
}

void PgTestServer::replaceCertificate(const QString& certificate, const QString& key)
{
    takeCertificate(certificate, key);
    stop();
    start();
}

// A process that outlives a crashed test only to stop its server and remove its folder.
void PgTestServer::startWatcher()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const QStringList stopCommand = asServerUser({binaries() + "/pg_ctl", "-D", m_data, "-m", "immediate", "stop"});
    std::vector<QByteArray> storage;
    for (const QString& part : stopCommand)
        storage.push_back(QFile::encodeName(part));
    std::vector<char*> argv;
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(m_dir.path());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[1]);
        char done = 0;
        // A byte: the test stopped the server itself. End of file: the test process died.
        if (::read(fds[0], &done, 1) == 1)
            _exit(0);
        if (::fork() == 0) {
            ::execvp(argv[0], argv.data());
            _exit(127);
        }
        ::sleep(3);
        const char* rm[] = {"rm", "-rf", folder.constData(), nullptr};
        ::execvp("rm", const_cast<char**>(rm));
        _exit(127);
    }
    ::close(fds[0]);
    m_watcherPipe = fds[1];
}

PgTestServer::~PgTestServer()
{
    try {
        stop("immediate");
    } catch (const std::exception&) {
    }
    if (m_watcherPipe >= 0) {
        const char done = 1;
        (void)::write(m_watcherPipe, &done, 1);
        ::close(m_watcherPipe);
    }
}

void PgTestServer::start()
{
    QString listening = "-c listen_addresses=''";
    if (m_port != 0)
        listening = "-c listen_addresses=127.0.0.1 -c port=" + QString::number(m_port)
            + " -c log_connections=on -c ssl=" + (m_tls ? "on" : "off");
    run({binaries() + "/pg_ctl", "-D", m_data, "-w", "-l", m_data + "/server.log", "-o",
         listening + " -c unix_socket_directories='" + socketFolder()
             + "' -c fsync=off -c shared_buffers=16MB -c max_connections=40",
         "start"});
}

void PgTestServer::stop(const QString& mode)
{
    run({binaries() + "/pg_ctl", "-D", m_data, "-m", mode, "-w", "stop"});
}

QString PgTestServer::line(const QString& database, const QString& user) const
{
    const QString port = m_port != 0 ? " port=" + QString::number(m_port) : QString();
    return "host=" + socketFolder() + port + " dbname=" + database + " user=" + user;
}

QString PgTestServer::tcpLine(const QString& database, const QString& user) const
{
    return "host=localhost hostaddr=127.0.0.1 port=" + QString::number(m_port) + " dbname=" + database
        + " user=" + user;
}

std::unique_ptr<PgConnection> PgTestServer::connect(const QString& database) const
{
    return PgConnection::open(*ConnectionLine::parse(line(database)));
}

QString PgTestServer::createDatabase()
{
    const QString name = "agenda" + QString::number(++m_databases);
    connect("postgres")->execute("CREATE DATABASE " + name);
    return line(name);
}

QString PgTestServer::log() const
{
    QFile file(m_data + "/server.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
