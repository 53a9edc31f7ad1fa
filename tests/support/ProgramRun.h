#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <tuple>

// The program run as the practice schedules a command: a process of its own with no display at all (a
// command must not need one), its account's settings in `config` when one is given. Answers the exit
// status, standard output and standard error.
inline std::tuple<int, QString, QString> runProgram(const QString& executable, const QStringList& arguments,
                                                    const QString& config = {})
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (!config.isEmpty())
        env.insert("XDG_CONFIG_HOME", config);
    program.setProcessEnvironment(env);
    program.start(executable, arguments);
    EXPECT_TRUE(program.waitForFinished(60000));
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
}
