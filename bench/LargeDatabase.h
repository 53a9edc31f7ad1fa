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
    // Every quarter hour of every working day booked: 43 appointments of 15 minutes per dentist a day.
    bool everyQuarterHour = false;
};

// The fullest agenda the booking rules allow, for twenty years (2007 to 2026): about 673,000 appointments.
[[nodiscard]] Options fullTwentyYears();

// Appends the appointments to the (freshly created) database in one transaction; returns how many.
qint64 fill(Database& db, const Options& options = {});

// What a database holds, counted with SQL, to show that it is what the measurements need.
struct Census {
    qint64 appointments = 0;
    qint64 workingDays = 0;   // distinct days with appointments
    qint64 dentists = 0;      // distinct dentists with appointments
    qint64 overlaps = 0;      // pairs of one dentist's appointments on one day that overlap (self-join)
    qint64 broken = 0;        // appointments breaking another booking rule (weekend, hours, grid, no patient)
    qint64 patients = 0;      // distinct patient names
    qint64 treatments = 0;    // distinct treatments
    qint64 withPhone = 0;
    qint64 withNotes = 0;
    QString firstDay;
    QString lastDay;
};
// Throws DatabaseError.
[[nodiscard]] Census census(Database& db);

} // namespace LargeDatabase
