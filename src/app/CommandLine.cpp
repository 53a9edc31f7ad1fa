#include "CommandLine.h"

#include <QDir>

namespace {

std::optional<QString> valueAfter(const QStringList& arguments, const QString& option)
{
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return QDir::current().absoluteFilePath(arguments[at + 1]);
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

std::optional<QString> outputFolder(const QStringList& arguments)
{
    return valueAfter(arguments, QStringLiteral("--out"));
}

} // namespace CommandLine
