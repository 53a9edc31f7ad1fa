#pragma once

#include <QStringList>

// "calvora --export-ics <yyyy-MM-dd> <yyyy-MM-dd> <file.ics>": the appointments of those days as a
// calendar file, from the archive the program would open (the data folder's file, or the server that
// --server or server.txt names), without a window.
namespace CalendarExportCommand {

[[nodiscard]] bool requested(const QStringList& arguments);
// Writes the file and answers the exit status: 0 when written, 1 with an Italian message on stderr.
// Needs a QCoreApplication.
[[nodiscard]] int run(const QStringList& arguments);

} // namespace CalendarExportCommand
