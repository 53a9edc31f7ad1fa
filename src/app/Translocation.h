#pragma once

#include <QString>

#include <functional>
#include <optional>

// A freshly downloaded macOS application may be started from a randomised, read-only temporary copy.
// Detection is by path everywhere; finding the user's copy, clearing its download mark and starting it
// are macOS operations (elsewhere there is no such copy and the operations do nothing).
namespace Translocation {

[[nodiscard]] inline bool isTranslocated(const QString& bundlePath)
{
    return bundlePath.contains(QStringLiteral("/AppTranslocation/"));
}

// The user's copy that the system translocated; absent when it cannot be found or is the same path.
[[nodiscard]] std::optional<QString> originalURL(const QString& bundlePath);
// Removes the download mark from the copy, recursively, and waits for it.
void clearQuarantine(const QString& path);
// Starts a new instance of the application at path without waiting.
void launchNewInstance(const QString& path);

// Tests replace the platform operations.
struct Platform {
    std::function<std::optional<QString>(const QString&)> originalURL;
    std::function<void(const QString&)> clearQuarantine;
    std::function<void(const QString&)> launchNewInstance;
};
void setPlatformForTesting(const std::optional<Platform>& platform);

} // namespace Translocation
