#pragma once

#include "Anonymisation.h"

#include <QDate>
#include <QString>

#include <optional>

// What the anonymisations of this agenda reached, kept in a small file of the data folder beside the
// archive and outside its backups: a backup restored later (by hand, or in place of a damaged file
// before the archive can be read) brings the old texts back, and this says which records to anonymise
// again. Ids, a day and how far the log was read; never a name.
struct ErasureMemory {
    AnonymisedRecords records;
    // The latest retention limit applied: every record before that day.
    std::optional<QDate> before;
    // The last log entry read for anonymisations made elsewhere, by number and hash (a log put back to an
    // older copy no longer has that entry and is read again from its start).
    qint64 seen = 0;
    QString seenHash;

    // The memory in the file; empty when there is none. A file that cannot be read is reported.
    [[nodiscard]] static ErasureMemory read(const QString& path, QString* error = nullptr);
    // Adds to the file what an anonymisation reached (replaced whole, never half written; left alone
    // when it already holds all of it); false with the reason when it could not be written.
    static bool add(const QString& path, const AnonymisedRecords& records, const std::optional<QDate>& before,
                    QString* error = nullptr);
    // Notes in the file how far the log was read; false with the reason when it could not be written.
    static bool markSeen(const QString& path, qint64 n, const QString& hash, QString* error = nullptr);
};
