#include "TranslocationPlatform.h"

#include <QProcess>

#include <CoreFoundation/CoreFoundation.h>
#include <dlfcn.h>

namespace TranslocationPlatform {

std::optional<QString> originalPath(const QString& bundlePath)
{
    // The lookup is private to the Security framework, so it is loaded and found at run time.
    void* security = dlopen("/System/Library/Frameworks/Security.framework/Security", RTLD_LAZY);
    if (!security)
        return std::nullopt;
    using Lookup = CFURLRef (*)(CFURLRef, CFErrorRef*);
    auto lookup = reinterpret_cast<Lookup>(dlsym(security, "SecTranslocateCreateOriginalPathForURL"));
    if (!lookup)
        return std::nullopt;
    const QByteArray path = bundlePath.toUtf8();
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path.constData()), CFIndex(path.size()), true);
    if (!url)
        return std::nullopt;
    CFURLRef original = lookup(url, nullptr);
    CFRelease(url);
    if (!original)
        return std::nullopt;
    char buffer[PATH_MAX];
    const bool ok = CFURLGetFileSystemRepresentation(original, true, reinterpret_cast<UInt8*>(buffer), sizeof buffer);
    CFRelease(original);
    if (!ok)
        return std::nullopt;
    return QString::fromUtf8(buffer);
}

void clearQuarantine(const QString& path)
{
    QProcess::execute(QStringLiteral("/usr/bin/xattr"), {QStringLiteral("-dr"), QStringLiteral("com.apple.quarantine"), path});
}

void launchNewInstance(const QString& path)
{
    QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-n"), path});
}

} // namespace TranslocationPlatform
