#include "Translocation.h"

#include "TranslocationPlatform.h"

namespace {

std::optional<Translocation::Platform>& replaced()
{
    static std::optional<Translocation::Platform> platform;
    return platform;
}

} // namespace

namespace Translocation {

std::optional<QString> originalURL(const QString& bundlePath)
{
    const std::optional<QString> original =
        replaced() ? replaced()->originalURL(bundlePath) : TranslocationPlatform::originalPath(bundlePath);
    if (!original || *original == bundlePath)
        return std::nullopt;
    return original;
}

void clearQuarantine(const QString& path)
{
    if (replaced())
        replaced()->clearQuarantine(path);
    else
        TranslocationPlatform::clearQuarantine(path);
}

void launchNewInstance(const QString& path)
{
    if (replaced())
        replaced()->launchNewInstance(path);
    else
        TranslocationPlatform::launchNewInstance(path);
}

void setPlatformForTesting(const std::optional<Platform>& platform)
{
    replaced() = platform;
}

} // namespace Translocation
