#pragma once

#include <QString>
#include <QStringList>

// The temporary triggers that write the file's activity log (see FileActivityLog): one entry per row
// written, named after the table (its target), with the fields that changed; the moves of a cancellation
// and of its restore leave the single entry of the cancelled row.
namespace FileActivityLogTriggers {

// The triggers' names, for removing them.
[[nodiscard]] QStringList names();
// The statements that create them (each only where missing).
[[nodiscard]] QString create();

} // namespace FileActivityLogTriggers
