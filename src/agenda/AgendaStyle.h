#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// Colours and fonts of the agenda. Sizes are in pixels, matching the grid's geometry.
namespace AgendaStyle {

[[nodiscard]] QColor primary(const QPalette& p);             // text
[[nodiscard]] QColor primary(const QPalette& p, double alpha); // text colour at an opacity
[[nodiscard]] QColor secondary(const QPalette& p);           // secondary text
[[nodiscard]] QColor accent(const QPalette& p, double alpha = 1.0);
[[nodiscard]] QColor textBackground(const QPalette& p);      // behind blocks: white in a light theme
[[nodiscard]] QColor withAlpha(QColor c, double alpha);

// Gives a line across the agenda window (an offer or a notice) its tinted background.
void tintLine(QWidget* line);

// The system font at a pixel size and weight; italic and equal-width digits on request. User-interface
// thread only (the fonts are kept between calls).
[[nodiscard]] QFont font(int pixelSize, QFont::Weight weight = QFont::Normal, bool italic = false);

// Semantic sizes: callout 12, caption 10, second-level title 17, third-level title 15.
inline constexpr int calloutSize = 12;
inline constexpr int captionSize = 10;
inline constexpr int title2Size = 17;
inline constexpr int title3Size = 15;

} // namespace AgendaStyle
