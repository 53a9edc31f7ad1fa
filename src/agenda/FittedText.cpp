#include "FittedText.h"

#include "PersonName.h"

namespace FittedText {

std::optional<QStringList> wholeWordLines(const QString& text, const QFontMetricsF& metrics, double width)
{
    QStringList lines;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > width)
            return std::nullopt;
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.last() + u' ' + word) <= width)
            lines.last() += u' ' + word;
        else
            lines.append(word);
    }
    return lines;
}

QString name(const QString& name, const QFontMetricsF& metrics, double width)
{
    const QStringList forms = PersonName::shorterForms(name);
    for (const QString& form : forms)
        if (metrics.horizontalAdvance(form) <= width)
            return form;
    return metrics.elidedText(forms.last(), Qt::ElideRight, width);
}

} // namespace FittedText
