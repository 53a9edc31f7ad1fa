#pragma once

#include <QColor>
#include <QString>

// Reads "#RRGGBB" (hash optional, blanks around ignored, bits above the low 24 ignored).
// Never fails: unreadable text gives the grey 0x888888.
[[nodiscard]] QColor colorFromHex(const QString& text);

// Writes a colour as "#RRGGBB" in upper case; halves round away from zero; no clamping.
// A colour that has no sRGB form gives "#888888".
[[nodiscard]] QString hexString(const QColor& color);
