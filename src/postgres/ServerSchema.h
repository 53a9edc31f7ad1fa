#pragma once

#include <QString>

class PgConnection;

// The agenda's tables on the server: the data folder's tables, columns and meanings (dentists,
// appointments, settings), plus what only a server shared by several computers needs: an exclusion
// constraint that refuses two appointments of a dentist over the same minutes whoever writes, trigram
// indexes for the search, and triggers that notify every connection of a change. The version lives in
// the table calvora_schema, as the file keeps it in user_version.
namespace ServerSchema {

inline constexpr int currentVersion = 5;

// What a database holds.
enum class Content { Empty, Calvora, Foreign };
struct Inspection {
    Content content = Content::Empty;
    int version = 0;
};
// Reads, writing nothing. Throws DatabaseError.
[[nodiscard]] Inspection inspect(PgConnection& connection);

// Creates the tables in an empty database or brings an older version up to date, in one transaction
// under an advisory lock, so that several computers starting at the same moment create them once. A
// newer version is left as it is (the archive then refuses it). Throws DatabaseError with an Italian
// message when the database holds tables that are not Calvora's.
void prepare(PgConnection& connection);
// The same inside a transaction the caller has begun (and commits or rolls back), up to the version
// `upTo` (an older one only to try an upgrade).
void prepareInTransaction(PgConnection& connection, int upTo = currentVersion);

// The message for a database that is not Calvora's.
[[nodiscard]] QString foreignText();

// The expression the search compares and the trigram indexes hold: the text with A to Z in lower case
// and nothing else changed, which is how SQLite's LIKE ignores case.
[[nodiscard]] QString folded(const QString& expression);

} // namespace ServerSchema
