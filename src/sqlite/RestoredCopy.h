#pragma once

#include <QString>

// A backup put back as an agenda of its own, away from the real one, to prove that it restores: the file
// a restore would put in place, opened as the program opens an agenda, and what it holds.
namespace RestoredCopy {

struct Counts {
    qint64 appointments = 0;
    qint64 dentists = 0;
    bool operator==(const Counts&) const = default;
};

// The appointments and dentists of an agenda file, read on a read-only connection of its own. Throws
// DatabaseError.
[[nodiscard]] Counts countsOf(const QString& path);
[[nodiscard]] inline qint64 appointmentCount(const QString& path)
{
    return countsOf(path).appointments;
}

// Copies the backup into `folder` (which must exist) as "calvora.sqlite", checks it with PRAGMA
// integrity_check and its schema version (one this program knows; an older one is then brought up to
// date on the copy, as at a start), opens it as an agenda and returns its counts. Throws DatabaseError with
// an Italian clause (lower case, no final stop); the backup itself is only read.
Counts restoreInto(const QString& backup, const QString& folder);

} // namespace RestoredCopy
