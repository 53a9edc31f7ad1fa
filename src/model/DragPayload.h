#pragma once

#include <QString>

#include <optional>

// The text an appointment block carries while dragged: its id in decimal digits.
namespace DragPayload {

[[nodiscard]] inline QString fromId(qint64 id)
{
    return QString::number(id);
}

// An optional "+" or "-" then one or more ASCII digits and nothing else, within the 64-bit range.
[[nodiscard]] std::optional<qint64> parseId(const QString& text);

} // namespace DragPayload
