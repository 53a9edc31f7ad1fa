#include "ChildProcess.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t unprivilegedId = 65534;

// Permission bits do not hold for root: the unprivileged runs change user then.
bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

ChildProcess::ChildProcess(const QStringList& arguments, const QString& outputPath, const std::vector<int>& inherited)
    : m_outputPath(outputPath)
{
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls run.
    const QByteArray program = QFile::encodeName(QStringLiteral(CALVORA_RELIABILITY_WORKER));
    std::vector<QByteArray> storage{program};
    for (const QString& a : arguments)
        storage.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int out = ::open(QFile::encodeName(outputPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out, STDOUT_FILENO);
        for (int fd : inherited)
            ::fcntl(fd, F_SETFD, 0);
        ::execv(program.constData(), argv.data());
        ::_exit(127);
    }
    ::close(out);
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_reaped) {
        ::kill(m_pid, SIGKILL);
        wait();
    }
}

void ChildProcess::kill(int signal)
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, signal);
}

int ChildProcess::wait()
{
    if (m_pid <= 0)
        return -1;
    if (!m_reaped) {
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
    }
    return m_status;
}

QStringList ChildProcess::lines() const
{
    QFile f(m_outputPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList result = QString::fromUtf8(f.readAll()).split(u'\n');
    result.removeLast(); // empty, or a line the worker was killed in the middle of
    return result;
}

bool ChildProcess::waitForLine(const QString& line, int timeoutMs)
{
    return waitFor([&line](const QString& l) { return l == line; }, timeoutMs).has_value();
}

std::optional<QString> ChildProcess::waitForLineStartingWith(const QString& prefix, int timeoutMs)
{
    return waitFor([&prefix](const QString& l) { return l.startsWith(prefix); }, timeoutMs);
}

std::optional<QString> ChildProcess::waitFor(const std::function<bool(const QString&)>& wanted, int timeoutMs)
{
    const auto found = [&]() -> std::optional<QString> {
        for (const QString& l : lines())
            if (wanted(l))
                return l;
        return std::nullopt;
    };
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (std::optional<QString> line = found())
            return line;
        if (!m_reaped && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_reaped = true;
        if (m_reaped)
            return found();
        QThread::msleep(5);
    }
    return std::nullopt;
}

QStringList runUnprivileged(const std::function<void(QStringList&)>& body)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return {QStringLiteral("crash pipe")};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        if (runningAsRoot() && (::setgid(unprivilegedId) != 0 || ::setuid(unprivilegedId) != 0))
            ::_exit(3);
        QStringList observed;
        body(observed);
        const QByteArray bytes = observed.join(QChar(0)).toUtf8(); // lines may hold line breaks
        qsizetype written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(channel[1], bytes.constData() + written, size_t(bytes.size() - written));
            if (n <= 0)
                ::_exit(4);
            written += n;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            bytes.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    QStringList observed = bytes.isEmpty() ? QStringList() : QString::fromUtf8(bytes).split(QChar(0));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        observed.append(QStringLiteral("crash %1").arg(status));
    return observed;
}

void handOver(const QString& folder)
{
    if (!runningAsRoot())
        return;
    [[maybe_unused]] const int rc = ::chown(QFile::encodeName(folder).constData(), unprivilegedId, unprivilegedId);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = QFile::encodeName(it.next());
        [[maybe_unused]] const int r = ::lchown(path.constData(), unprivilegedId, unprivilegedId);
    }
}
