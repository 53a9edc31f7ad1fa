#pragma once

#include <QColor>
#include <QList>
#include <QString>

// The typefaces of the printed page: the system font in three styles, and a bold/regular pair whose
// digits all have the same width (the time labels).
enum class TextFace { Regular, Bold, Italic, DigitsRegular, DigitsBold };

// A piece of one printed line in one face and colour; a line is a list of runs drawn left to right.
struct TextRun {
    QString text;
    TextFace face = TextFace::Regular;
    QColor color;
};

using TextLine = QList<TextRun>;
