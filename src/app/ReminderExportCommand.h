#pragma once

#include <QStringList>

// "calvora --export-reminders <yyyy-MM-dd> <file.csv>": the day's reminder file written without a window,
// from the archive the program would open (the data folder's file, or the server of --server or
// server.txt), so that a practice can schedule it.
namespace ReminderExportCommand {

[[nodiscard]] bool requested(const QStringList& arguments);

// Writes the file and says so on standard output: 0. A bad date, an archive that cannot be opened or
// does not answer, or a file that cannot be written: an Italian line on standard error, 1. Needs a
// QCoreApplication.
[[nodiscard]] int run(const QStringList& arguments);

} // namespace ReminderExportCommand
