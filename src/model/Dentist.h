#pragma once

#include "TextCompare.h"

#include <QDate>
#include <QHash>
#include <QString>

// One dentist: one column of the agenda. The list of dentists is always kept sorted by position.
struct Dentist {
    qint64 id = 0;
    QString name;
    QString colorHex; // "#RRGGBB"
    int position = 0; // column order from 0
    QDate retiredFrom;  // invalid while the dentist works here; else the first day without their column

    [[nodiscard]] bool worksOn(const QDate& day) const { return !retiredFrom.isValid() || day < retiredFrom; }

    friend bool operator==(const Dentist& a, const Dentist& b)
    {
        return a.id == b.id && Text::equivalent(a.name, b.name) && Text::equivalent(a.colorHex, b.colorHex)
            && a.position == b.position && a.retiredFrom == b.retiredFrom;
    }
};

size_t qHash(const Dentist& d, size_t seed = 0);
