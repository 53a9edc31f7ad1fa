#pragma once

#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <optional>

// Text made to fit a width without cutting a word into something unreadable.
namespace FittedText {

// The words of a text on as many lines no wider than `width` as they need; absent when a word alone is
// wider (a word is never broken).
[[nodiscard]] std::optional<QStringList> wholeWordLines(const QString& text, const QFontMetricsF& metrics,
                                                        double width);

// The longest form of a person's name that fits (the title dropped, the first names as initials, the
// surname alone); the surname cut with "…" when not even that fits.
[[nodiscard]] QString name(const QString& name, const QFontMetricsF& metrics, double width);

} // namespace FittedText
