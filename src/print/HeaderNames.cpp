#include "HeaderNames.h"

#include "PersonName.h"

#include <QSet>

#include <algorithm>

namespace {

// The text on one line, or broken between two words into the two lines whose wider is narrowest;
// empty when neither fits `room`.
QStringList fitted(const QString& text, int maxLines, qreal room, const std::function<qreal(const QString&)>& width)
{
    if (width(text) <= room)
        return {text};
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (maxLines < 2 || words.size() < 2)
        return {};
    QStringList best;
    qreal bestWidth = 0;
    for (qsizetype cut = 1; cut < words.size(); ++cut) {
        const QString first = words.mid(0, cut).join(u' ');
        const QString second = words.mid(cut).join(u' ');
        const qreal wider = std::max(width(first), width(second));
        if (wider <= room && (best.isEmpty() || wider < bestWidth)) {
            best = {first, second};
            bestWidth = wider;
        }
    }
    return best;
}

// Initials stay on the surname's line: "C." alone on a line would name nobody.
int maxLines(HeaderNames::Form form)
{
    return form == HeaderNames::Form::AsWritten || form == HeaderNames::Form::Surname ? 2 : 1;
}

} // namespace

QString HeaderNames::nameIn(Form form, const QString& name, int column)
{
    const QStringList forms = PersonName::shorterForms(name);
    switch (form) {
    case Form::AsWritten:
        return name;
    case Form::Initials:
        // The forms run: as written, [without title,] initials + surname, surname.
        if (forms.size() >= 3)
            return forms[forms.size() - 2];
        if (forms.size() == 2 && std::any_of(forms[1].begin(), forms[1].end(), [](QChar c) { return c.isLetter(); }))
            return forms[1];
        return forms.first();
    case Form::Surname:
        return forms.last();
    case Form::Number:
        break;
    }
    return QString::number(column + 1);
}

HeaderNames HeaderNames::inForm(Form form, const QStringList& names, qreal room,
                                const std::function<qreal(const QString&)>& width)
{
    HeaderNames result;
    result.m_form = form;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString name = nameIn(form, names[i], int(i));
        const QStringList lines = fitted(name, maxLines(form), room, width);
        result.m_cells.append(lines.isEmpty() ? QStringList{name} : lines);
    }
    return result;
}

HeaderNames HeaderNames::choose(const QStringList& names, qreal room,
                                const std::function<qreal(const QString&)>& width)
{
    for (const Form form : {Form::AsWritten, Form::Initials, Form::Surname}) {
        QStringList labels;
        for (const QString& name : names)
            labels.append(nameIn(form, name, 0));
        const bool fits = std::all_of(labels.begin(), labels.end(), [&](const QString& label) {
            return !fitted(label, maxLines(form), room, width).isEmpty();
        });
        // Two dentists of one surname would be told apart by their colour alone.
        if (fits && QSet<QString>(labels.begin(), labels.end()).size() == labels.size())
            return inForm(form, names, room, width);
    }
    return inForm(Form::Number, names, room, width);
}

int HeaderNames::lineCount() const
{
    int most = 1;
    for (const QStringList& cell : m_cells)
        most = std::max(most, int(cell.size()));
    return most;
}
