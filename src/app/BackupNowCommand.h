#pragma once

#include <QStringList>

#include <memory>

class SecondPlace;

// "calvora --backup-now [--to <folder>]": an on-demand backup of the archive the program would open,
// copied and checked into the folder named, or else this computer's second place; for a practice's
// scheduled task, without a window.
namespace BackupNowCommand {

[[nodiscard]] bool requested(const QStringList& arguments);
// Exit status 0 once the copy is checked (its path on stdout); 1 with an Italian message on stderr.
[[nodiscard]] int run(const QStringList& arguments);

// This computer's second place for the agenda at `agendaLocation`, kept in the account's settings.
[[nodiscard]] std::unique_ptr<SecondPlace> localSecondPlace(const QString& agendaLocation);

} // namespace BackupNowCommand
