#include "OtherComputer.h"

#include <fcntl.h>
#include <unistd.h>

OtherComputer::OtherComputer(const QString& database, const QString& output)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return;
    m_process = std::make_unique<ChildProcess>(QStringList{"agenda", database, QString::number(channel[0])}, output,
                                               std::vector<int>{channel[0]});
    ::close(channel[0]);
    m_commands = channel[1];
}

OtherComputer::~OtherComputer()
{
    if (m_commands >= 0)
        ::close(m_commands);
}

QString OtherComputer::answer(const QStringList& command)
{
    const QByteArray line = command.join(u'\t').toUtf8() + '\n';
    if (!m_process || ::write(m_commands, line.constData(), size_t(line.size())) != line.size())
        return {};
    const QString number = QString::number(++m_sent) + u'\t';
    const std::optional<QString> reply = m_process->waitForLineStartingWith(number, 10000);
    return reply ? reply->mid(number.size()) : QString();
}
