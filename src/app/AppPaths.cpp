#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

struct Location {
    std::optional<QString> overrideData;
    std::optional<QString> bundle;
    std::optional<QString> application;
};

Location& location()
{
    static Location l;
    return l;
}

QString executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace

namespace AppPaths {

void setOverrideDataFolder(const std::optional<QString>& folder)
{
    location().overrideData = folder;
}

std::optional<QString> overrideDataFolder()
{
    return location().overrideData;
}

QString bundlePath()
{
    if (location().bundle)
        return *location().bundle;
#ifdef Q_OS_MACOS
    // Contents/MacOS/calvora inside the .app bundle.
    return QDir::cleanPath(executableFolder() + QStringLiteral("/../.."));
#else
    return executableFolder();
#endif
}

QString applicationFolder()
{
    if (location().application)
        return *location().application;
#ifdef Q_OS_MACOS
    return QFileInfo(bundlePath()).absolutePath();
#else
    return executableFolder();
#endif
}

QString dataFolder()
{
    if (location().overrideData)
        return *location().overrideData;
    return applicationFolder() + QStringLiteral("/Dati");
}

QString databasePath()
{
    return dataFolder() + QStringLiteral("/calvora.sqlite");
}

void setApplicationLocationForTesting(const std::optional<QString>& bundle, const std::optional<QString>& application)
{
    location().bundle = bundle;
    location().application = application;
}

} // namespace AppPaths
