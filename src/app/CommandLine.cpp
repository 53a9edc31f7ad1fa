#include "CommandLine.h"

#include <QDir>

namespace {

std::optional<QString> textAfter(const QStringList& arguments, const QString& option)
{
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return arguments[at + 1];
}

std::optional<QString> valueAfter(const QStringList& arguments, const QString& option)
{
    const std::optional<QString> value = textAfter(arguments, option);
    if (!value)
        return std::nullopt;
    return QDir::current().absoluteFilePath(*value);
}

} // namespace

namespace CommandLine {

std::optional<QString> dataFolder(const QStringList& arguments)
{
    return valueAfter(arguments, QStringLiteral("--data-dir"));
}

bool selfTest(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--self-test"));
}

std::optional<QString> screenshotFolder(const QStringList& arguments)
{
    return valueAfter(arguments, QStringLiteral("--screenshots"));
}

std::optional<QString> serverLine(const QStringList& arguments)
{
    return textAfter(arguments, QStringLiteral("--server"));
}

bool copyToServer(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--copy-to-server"));
}

std::optional<QString> copyToServerLine(const QStringList& arguments)
{
    return textAfter(arguments, QStringLiteral("--copy-to-server"));
}

std::optional<QString> outputFolder(const QStringList& arguments)
{
    return valueAfter(arguments, QStringLiteral("--out"));
}

} // namespace CommandLine
