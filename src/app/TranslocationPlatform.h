#pragma once

#include <QString>

#include <optional>

// The platform's own implementation behind Translocation (one source file per platform).
namespace TranslocationPlatform {

[[nodiscard]] std::optional<QString> originalPath(const QString& bundlePath);
void clearQuarantine(const QString& path);
void launchNewInstance(const QString& path);

} // namespace TranslocationPlatform
