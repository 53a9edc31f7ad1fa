#pragma once

#include <QString>

class ConnectionLine;
class PgConnection;

// Moving a practice onto the server: the agenda file of a data folder (dentists with their ids and
// positions, every setting, every appointment with its id and both moments) copied into a server
// database that holds no appointments yet, in one transaction. The database may be empty (its tables
// are created in the same transaction) or an agenda created by the program and not used since.
namespace ServerCopy {

// What the copy wrote, counted on the server after writing it.
struct Counts {
    qint64 dentists = 0;
    qint64 settings = 0;
    qint64 appointments = 0;
    bool operator==(const Counts&) const = default;
};

// Copies the file and checks that the server now counts what the file holds; only then commits. The
// id of the next appointment on the server comes after every id the file ever gave. Throws
// DatabaseError with an Italian message (a clause without final stop) and writes nothing when the file
// is missing or damaged, the server cannot be reached, is not Calvora's or is of a newer format (kind
// Newer), already holds appointments,
// refuses a row (two appointments of a dentist over the same minutes, a NUL character), or counts
// differently after the copy.
Counts copyFile(const QString& file, const ConnectionLine& line);
// The same on a connection already open.
Counts copyFile(const QString& file, PgConnection& server);

// "3 dentisti, 4 impostazioni e 149.118 appuntamenti".
[[nodiscard]] QString countsText(const Counts& counts);
// The reason given when the server's answer to the commit was lost: the copy may or may not be there.
[[nodiscard]] QString lostConfirmationText();

} // namespace ServerCopy
