#pragma once

#include <QStringList>

// "calvora --verify-log": the whole activity log of the archive the program would open (the data
// folder's file, or the server of --server or server.txt) checked without a window.
namespace LogVerifyCommand {

[[nodiscard]] bool requested(const QStringList& arguments);

// Prints the verdict on standard output: "Registro integro: N voci" and 0, or the first entry found
// changed, removed or inserted and 1. An archive that cannot be opened or read: an Italian line on
// standard error, 1. Needs a QCoreApplication.
[[nodiscard]] int run();

} // namespace LogVerifyCommand
