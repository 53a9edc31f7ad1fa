#pragma once

#include "TextCompare.h"

#include <QHash>
#include <QString>

// One dentist: one column of the agenda. The list of dentists is always kept sorted by position.
struct Dentist {
    qint64 id = 0;
    QString name;
    QString colorHex; // "#RRGGBB"
    int position = 0; // column order from 0

    friend bool operator==(const Dentist& a, const Dentist& b)
    {
        return a.id == b.id && Text::equivalent(a.name, b.name) && Text::equivalent(a.colorHex, b.colorHex)
            && a.position == b.position;
    }
};

size_t qHash(const Dentist& d, size_t seed = 0);
