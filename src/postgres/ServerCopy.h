#pragma once

#include "WaitingEntry.h"

#include <QList>
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

// "3 dentisti, 4 impostazioni e 149.118 appuntamenti".
[[nodiscard]] QString countsText(const Counts& counts);
// The reason given when the server's answer to the commit was lost: the copy may or may not be there.
[[nodiscard]] QString lostConfirmationText();

// Writes the entries as new rows of the server's waiting list (numbered by the server), inside the
// copy's transaction.
void copyWaitingList(const QList<WaitingEntry>& entries, PgConnection& server);

} // namespace ServerCopy
