#pragma once

#include "TextRun.h"

#include <QFont>
#include <QStringList>
#include <QRectF>

#include <climits>

class QFontMetricsF;
class QPainter;
class QPaintDevice;

// Fonts and single-line text for a painter whose user unit is one point. Sizes are in points, fractions
// included, on any device (printer, PDF, preview, image): Qt turns a font's point size into pixels with
// the device's resolution (which the point-unit painter already scales by) and rounds pixel sizes to
// whole pixels, so glyphs are laid out at `layoutScale` times their size and drawn scaled back.
class PageText {
public:
    static constexpr qreal layoutScale = 100;

    // device: the painter's device; its vertical resolution decides the font conversion.
    explicit PageText(const QPaintDevice* device);

    // Ascent + descent + leading, raised to the next whole point.
    [[nodiscard]] qreal lineHeight(TextFace face, qreal points) const;
    [[nodiscard]] qreal width(const TextRun& run, qreal points) const;
    // The run's text broken between words (or after a dash) into lines no wider than `width`, at most
    // maxLines of them. The last allowed line, or from a word wider than `width` on, holds the rest, to be
    // cut when drawn.
    [[nodiscard]] QStringList wrapped(const TextRun& run, qreal points, qreal width, int maxLines = INT_MAX) const;
    // The font that draws `face` at `points` under a painter scaled down by layoutScale.
    [[nodiscard]] QFont layoutFont(TextFace face, qreal points) const;

    // Draws the runs as one line starting at rect's top, aligned horizontally within rect. A line wider
    // than rect is laid out from the left and cut at the end with "…"; runs after the cut are dropped.
    void drawLine(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, qreal points,
                  const TextLine& runs) const;

private:
    const QPaintDevice* m_device;
    qreal m_dpi;
    QString m_family;
    QString m_digitsFamily;
};
