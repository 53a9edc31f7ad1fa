#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include <sys/types.h>

// A worker process of the reliability tests (tests/reliability/ReliabilityWorker.cpp), started with
// fork/exec so that the test can kill it at any instant. Its standard output goes to a file, which
// holds every line the worker finished writing before it ended or was killed.
class ChildProcess {
public:
    // Starts the worker with these arguments (the program itself is implied). The descriptors listed in
    // `inherited` stay open in the child; every other descriptor of the test is closed on exec.
    ChildProcess(const QStringList& arguments, const QString& outputPath, const std::vector<int>& inherited = {});
    ~ChildProcess(); // kills and reaps a worker that is still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void kill(int signal);
    // Waits for the end and returns the wait status (see WIFEXITED, WIFSIGNALED).
    int wait();
    // The lines written so far (the last one only when complete).
    [[nodiscard]] QStringList lines() const;
    // Polls the output until a complete line equal to `line` appears; false after timeoutMs or if the
    // worker ended first.
    bool waitForLine(const QString& line, int timeoutMs);
    // The same for the first complete line that starts with `prefix`; absent when none came.
    std::optional<QString> waitForLineStartingWith(const QString& prefix, int timeoutMs);

private:
    pid_t m_pid = -1;
    // Polls the output until a complete line satisfies `wanted`.
    std::optional<QString> waitFor(const std::function<bool(const QString&)>& wanted, int timeoutMs);

    bool m_reaped = false;
    int m_status = 0;
    QString m_outputPath;
};

// Runs `body` in a forked copy of the test process as the unprivileged user nobody (65534) when the
// tests run as root, as the current user otherwise. `body` appends what it observed to the list; the
// lines come back through a pipe. A crash of the copy is reported as a last line "crash <status>".
// The folders `body` works in must be reachable by that user (see handOver).
[[nodiscard]] QStringList runUnprivileged(const std::function<void(QStringList&)>& body);

// Makes a folder and everything in it belong to the user runUnprivileged runs as.
void handOver(const QString& folder);
