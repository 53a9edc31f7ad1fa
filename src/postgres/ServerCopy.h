#pragma once

#include "WaitingEntry.h"

#include <QList>
#include <QStringList>
#include <QString>

#include <functional>
#include <memory>

class AgendaSource;
class ConnectionLine;
class PgConnection;

// Moving a practice onto the server: an agenda read whole (the file of a data folder: dentists with their ids and
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

// Opens the agenda to copy, once the server is reached; throws DatabaseError with an Italian clause.
using OpenSource = std::function<std::unique_ptr<AgendaSource>()>;

// Copies the agenda and checks that the server now counts what the agenda holds; only then commits.
// The id of the next appointment on the server comes after every id the agenda ever gave. Throws
// DatabaseError with an Italian message (a clause without final stop) and writes nothing when the
// agenda cannot be read, the server cannot be reached, is not Calvora's or is of a newer format (kind
// Newer), already holds appointments, refuses a row (two appointments of a dentist over the same
// minutes, a NUL character), or counts differently after the copy.
Counts copy(const OpenSource& open, const ConnectionLine& line);
// The same on an agenda and a connection already open.
Counts copy(AgendaSource& agenda, PgConnection& server);

// A whole restore of the server's agenda from a backup of it.
struct Replacement {
    QString backupName; // the backup's file name, for the log
    QString before;     // the file name of the backup taken of the agenda being replaced
    // Settings that stay as the server keeps them (with their absence), whatever the backup says: what
    // belongs to the practice's computers rather than to the agenda's content.
    QStringList kept;
};

// Inside a transaction the caller began (with the program's context for the log): puts the backup's
// agenda in the place of the server's, every dentist, setting, appointment (ids and moments kept),
// status, cancellation, waiting entry (numbered anew) and recall (ids kept), and checks the counts before returning. The
// log is not replaced: it gains an 'import' entry before the rows (which leave no entries of their own)
// and a 'restore' entry about the 'agenda' after them. The server's next ids come after every id either
// side gave. Throws DatabaseError with an Italian clause (the caller's transaction then writes nothing):
// a server of a newer format, a row the server refuses (kind Overlap for two appointments of a dentist
// over the same minutes), counts that differ from the backup's.
Counts replace(AgendaSource& backup, PgConnection& server, const Replacement& replacement);

// "3 dentisti, 4 impostazioni e 149.118 appuntamenti".
[[nodiscard]] QString countsText(const Counts& counts);
// The reason given when the server's answer to the commit was lost: the copy may or may not be there.
[[nodiscard]] QString lostConfirmationText();

// Writes the entries as new rows of the server's waiting list (numbered by the server), inside the
// copy's transaction.
void copyWaitingList(const QList<WaitingEntry>& entries, PgConnection& server);

} // namespace ServerCopy
