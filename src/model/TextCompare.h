#pragma once

#include <QString>

namespace Text {

// One form for canonically equivalent texts (é as one or two code points): the composed one.
[[nodiscard]] inline QString canonical(const QString& s)
{
    return s.normalized(QString::NormalizationForm_C);
}

// Equality of Unicode text in which canonically equivalent forms are equal.
[[nodiscard]] inline bool equivalent(const QString& a, const QString& b)
{
    return a == b || canonical(a) == canonical(b);
}

// White space and line breaks removed from both ends, as every typed text is stored.
[[nodiscard]] inline QString trimmed(const QString& s)
{
    return s.trimmed();
}

} // namespace Text
