#pragma once

#include <QIcon>

// The toolbar's icons, drawn as simple line art so they look the same on every desktop.
namespace Icons {

enum class Kind { ChevronLeft, ChevronRight, Calendar, Search, Printer, Plus, Clock };

[[nodiscard]] QIcon icon(Kind kind, const QColor& color);

} // namespace Icons
