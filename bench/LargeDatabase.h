#pragma once

#include <QDate>
#include <QString>

class Database;

// A realistic agenda of many years for measurements: Italian patients, phones, treatments and some
// notes, about `perDay` appointments per dentist per working day, all valid under the booking rules
// (working days, 09:00–19:45, 15-minute grid, no overlaps). Deterministic for a given seed.
namespace LargeDatabase {

struct Options {
    QDate first = QDate(2017, 1, 2);
    QDate last = QDate(2026, 12, 31);
    int perDay = 20;
    quint64 seed = 7;
};

// Appends the appointments to the (freshly created) database in one transaction; returns how many.
qint64 fill(Database& db, const Options& options = {});

} // namespace LargeDatabase
