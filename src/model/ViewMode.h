#pragma once

#include <QString>

// Which agenda is on show: one working day, or the five working days of a week.
enum class ViewMode { Day, Week };

[[nodiscard]] inline QString rawValue(ViewMode mode)
{
    return mode == ViewMode::Day ? QStringLiteral("day") : QStringLiteral("week");
}
