#pragma once

#include "ActivityEntry.h"
#include "PatientRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A patient's record as the lines a person reads, the same on screen, on paper and in the spreadsheet
// file: one line per appointment (or waiting-list entry, or recall) with the log's entries about it.
namespace PatientLines {

struct Line {
    QString kind; // "Appuntamento", "Lista d'attesa" or "Richiamo"
    QString day; // "05/12/2024"; for the waiting list the first day wanted, for a recall the due day
    QString time; // "10:00–10:30"; for the waiting list the part of the day and the duration
    QString dentist;
    QString treatment;
    QString phone;
    QString notes;
    QString status; // "Confermato", "Disdetto", "In lista d'attesa", …
    QString cancellation; // "Disdetto dal paziente il 03/12/2024 alle 10:00 (tardiva): Influenza"
    QStringList log; // logLine of each entry, oldest first
};

// The dentist's name of an id (the empty text for one the practice no longer has).
using DentistName = std::function<QString(qint64)>;

// The visits by day, then the waiting-list entries, then the recalls.
[[nodiscard]] QList<Line> of(const PatientRecord& record, const DentistName& dentistName);

// "04/12/2024 10:00 · Prenotazione · PC-RECEPTION, anna (operatore Anna)": when (local time), what, where.
[[nodiscard]] QString logLine(const ActivityEntry& entry);

// The column names of the spreadsheet file, and one line's fields in that order (the log's lines joined by
// line feeds).
[[nodiscard]] QStringList header();
[[nodiscard]] QStringList fields(const Line& line);

} // namespace PatientLines
