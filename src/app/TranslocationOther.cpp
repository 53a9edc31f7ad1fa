#include "TranslocationPlatform.h"

// Platforms without application translocation: there is never a translocated copy to go back to.
namespace TranslocationPlatform {

std::optional<QString> originalPath(const QString&)
{
    return std::nullopt;
}

void clearQuarantine(const QString&) {}

void launchNewInstance(const QString&) {}

} // namespace TranslocationPlatform
