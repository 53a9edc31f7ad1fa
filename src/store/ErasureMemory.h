#pragma once

#include "Anonymisation.h"

#include <QDate>
#include <QString>

#include <optional>

// What the anonymisations of this agenda reached, kept in a small file of the data folder beside the
// archive and outside its backups: a backup restored later (by hand, or in place of a damaged file
// before the archive can be read) brings the old texts back, and this says which records to anonymise
// again. Ids and a day only; never a name.
struct ErasureMemory {
    AnonymisedRecords records;
    // The latest retention limit applied: every record before that day.
    std::optional<QDate> before;

    // The memory in the file; empty when there is none. A file that cannot be read is reported.
    [[nodiscard]] static ErasureMemory read(const QString& path, QString* error = nullptr);
    // Adds to the file what an anonymisation reached (replaced whole, never half written); false with
    // the reason when it could not be written.
    static bool add(const QString& path, const AnonymisedRecords& records, const std::optional<QDate>& before,
                    QString* error = nullptr);
};
