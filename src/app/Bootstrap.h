#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AgendaArchive;
class Database;
class DatabaseError;

// Opens the one archive of the process after checking where the program runs from. Every check that
// fails ends the process through one modal alert with the single button "Esci".
namespace Bootstrap {

// The process-wide archive, opened at the first call. User-interface thread only.
[[nodiscard]] AgendaArchive& archive();

// The opening sequence: translocation, read-only location, data folder, then the server that
// ServerSetup names (a malformed line, an unreachable server, a refused login or a database that is
// not Calvora's ends the start) or else the data folder's database; then the daily backup. Never
// returns on failure.
[[nodiscard]] std::unique_ptr<AgendaArchive> openArchive();

// The same sequence for the data folder's database alone. Never returns on failure. A newer version's
// file is refused; a damaged one gets the offer of its newest sound backup (restored in its place, the
// damaged file kept aside) or, without one, only "Esci".
[[nodiscard]] std::unique_ptr<Database> openDatabase();

// The data folder's file whose structure check archive() left to run beside the window (a file of the
// current version whose daily backup was already taken); given once, absent otherwise.
[[nodiscard]] std::optional<QString> takeStructureCheckLeft();

// After that check found the file at databasePath damaged: offers the newest sound backup as at
// start-up; once it is accepted, calls closeUsers (after which nothing may use the old archive), closes
// the archive, puts the backup in the file's place and opens it as the archive. Never returns on "Esci".
void replaceDamagedArchive(const QString& databasePath, const DatabaseError& fault,
                           const std::function<void()>& closeUsers);

// A practice-level act of the start (the day's backup taken, a backup restored in place of a damaged
// file), for the activity log once a store names who works here; target 'agenda'.
struct StartEvent {
    QString action;
    QJsonObject details;
};
// The start's acts so far, given once.
[[nodiscard]] QList<StartEvent> takeStartEvents();

// What the receptionist must be told once the agenda window is open (from which day a restored backup
// comes); given once, absent otherwise.
[[nodiscard]] std::optional<QString> takeStartNotice();

// The fatal alert: title as main text, message as informative text, "Esci"; then exit status 1.
[[noreturn]] void fail(const QString& title, const QString& message);

// Handles a start from a temporary copy; ends the process (status 0, or 1 after "Installazione non
// completata").
[[noreturn]] void relaunchFromOriginalLocation();

// Whether the current user may create entries in the folder.
[[nodiscard]] bool isWritable(const QString& folder);

// The receptionist's restore of a whole backup over the data folder's agenda: once closeUsers has closed
// everything that uses the archive, the current file is kept aside as "calvora-prima-del-ripristino-…" in
// its folder, a copy of the backup (a plain file; `backupName` is how the log names it) takes its place and
// is opened as the archive, the act logged at the next store's start (takeStartEvents) and told there
// (takeStartNotice). Answers the failure's text; the old file is then opened again as it was.
std::optional<QString> restoreArchive(const QString& backupPath, const QString& backupName,
                                      const std::function<void()>& closeUsers);

// Tests replace the process exit; the handler must not return (it throws).
void setExitHandler(std::function<void(int)> handler);

} // namespace Bootstrap
