#include "PersonName.h"

#include <QSet>

#include <algorithm>

namespace {

// Compared in lower case without dots, so "Dott.ssa", "dottssa" and "DOTT.SSA" are one title.
bool isTitle(const QString& word)
{
    static const QSet<QString> titles{
        QStringLiteral("dott"),      QStringLiteral("dottssa"),   QStringLiteral("dottor"),
        QStringLiteral("dottore"),   QStringLiteral("dottoressa"), QStringLiteral("dr"),
        QStringLiteral("drssa"),     QStringLiteral("dssa"),      QStringLiteral("prof"),
        QStringLiteral("profssa"),   QStringLiteral("professor"), QStringLiteral("professore"),
        QStringLiteral("professoressa"), QStringLiteral("sig"),   QStringLiteral("sigra"),
        QStringLiteral("signa"),     QStringLiteral("med"),       QStringLiteral("odont"),
    };
    return titles.contains(word.toLower().remove(u'.'));
}

// Words that belong to the surname that follows them.
bool isParticle(const QString& word)
{
    static const QSet<QString> particles{
        QStringLiteral("d'"),    QStringLiteral("da"),    QStringLiteral("dai"),   QStringLiteral("dal"),
        QStringLiteral("dalla"), QStringLiteral("dalle"), QStringLiteral("de"),    QStringLiteral("degli"),
        QStringLiteral("dei"),   QStringLiteral("del"),   QStringLiteral("della"), QStringLiteral("delle"),
        QStringLiteral("dello"), QStringLiteral("di"),    QStringLiteral("la"),    QStringLiteral("le"),
        QStringLiteral("li"),    QStringLiteral("lo"),    QStringLiteral("van"),   QStringLiteral("von"),
    };
    return particles.contains(word.toLower());
}

bool hasLetter(const QString& word)
{
    return std::any_of(word.begin(), word.end(), [](QChar c) { return c.isLetter(); });
}

} // namespace

namespace PersonName {

QStringList shorterForms(const QString& name)
{
    QStringList words = name.simplified().split(u' ', Qt::SkipEmptyParts);
    QStringList forms{name};
    const auto add = [&forms](const QString& form) {
        if (!form.isEmpty() && !forms.contains(form))
            forms.append(form);
    };
    while (words.size() > 1 && isTitle(words.first()))
        words.removeFirst();
    add(words.join(u' '));
    if (words.size() < 2)
        return forms;
    if (!hasLetter(words.last())) {
        add(words.last());
        return forms;
    }
    qsizetype surnameStart = words.size() - 1;
    while (surnameStart > 1 && isParticle(words[surnameStart - 1]))
        --surnameStart;
    const QString surname = words.mid(surnameStart).join(u' ');
    QStringList initials;
    for (const QString& first : words.mid(0, surnameStart))
        initials << (hasLetter(first) ? QString(first.front()) + u'.' : first);
    add(initials.join(u' ') + u' ' + surname);
    add(surname);
    return forms;
}

} // namespace PersonName
