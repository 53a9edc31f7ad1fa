#pragma once

#include <QDate>
#include <QString>

#include <optional>

// Which entries of the activity log a page shows; an empty or absent field filters nothing.
struct LogFilter {
    // Entries of that local day.
    std::optional<QDate> day;
    QString computer;
    QString operatorName;
    QString action;
    // Entries whose personal texts contain this text (any letter case).
    QString patient;
    // Only entries numbered below this one: the next page after a page ending there.
    std::optional<qint64> beforeN;
};
