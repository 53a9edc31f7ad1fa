#pragma once

#include <QtGlobal>

// Sizes of the stress tests: bounded for CI by default, large with CALVORA_STRESS=full.
namespace Stress {

[[nodiscard]] inline bool full()
{
    return qgetenv("CALVORA_STRESS") == "full";
}

[[nodiscard]] inline int pick(int ci, int fullRun)
{
    return full() ? fullRun : ci;
}

} // namespace Stress
