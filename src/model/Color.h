#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// Reads "#RRGGBB" (hash optional, blanks around ignored, bits above the low 24 ignored).
// Never fails: unreadable text gives the grey 0x888888.
[[nodiscard]] QColor colorFromHex(const QString& text);

// Writes a colour as "#RRGGBB" in upper case; halves round away from zero; no clamping.
// A colour that has no sRGB form gives "#888888".
[[nodiscard]] QString hexString(const QColor& color);

// A column colour for a new dentist that differs from those in use: the first unused one of a fixed
// palette of well-separated colours, then hues spread between them.
[[nodiscard]] QString distinctColorHex(const QStringList& usedHex);
