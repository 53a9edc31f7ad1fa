#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QStringList>

#include <memory>

// Another reception computer on the same data folder: the worker's "agenda" mode (its own Store on the
// file), fed one command at a time through a pipe.
class OtherComputer {
public:
    OtherComputer(const QString& database, const QString& output);
    ~OtherComputer(); // the worker ends at the end of its commands
    OtherComputer(const OtherComputer&) = delete;
    OtherComputer& operator=(const OtherComputer&) = delete;

    // Sends a command and waits for the worker's reply: "ok", or "refused", a tab and the message; empty
    // when none came within ten seconds.
    [[nodiscard]] QString answer(const QStringList& command);

private:
    std::unique_ptr<ChildProcess> m_process;
    int m_commands = -1;
    int m_sent = 0;
};
