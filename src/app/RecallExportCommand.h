#pragma once

#include <QStringList>

// "calvora --export-recalls <yyyy-MM> <file.csv>": the month's recall file written without a window, from
// the archive the program would open, so that a practice can schedule it.
namespace RecallExportCommand {

[[nodiscard]] bool requested(const QStringList& arguments);

// Writes the file (a header row alone when nobody is to be called) and says so on standard output: 0.
// A bad month, an archive that cannot be opened or does not answer, or a file that cannot be written: an
// Italian line on standard error, 1. Needs a QCoreApplication.
[[nodiscard]] int run(const QStringList& arguments);

} // namespace RecallExportCommand
