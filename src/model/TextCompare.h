#pragma once

#include <QString>

namespace Text {

// Equality of Unicode text in which canonically equivalent forms (é as one or two code points) are equal.
[[nodiscard]] inline bool equivalent(const QString& a, const QString& b)
{
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

// White space and line breaks removed from both ends, as every typed text is stored.
[[nodiscard]] inline QString trimmed(const QString& s)
{
    return s.trimmed();
}

} // namespace Text
