#pragma once

#include <QString>

class Database;

// The practice's key/value settings.
namespace Settings {

// The practice's name; the empty text when the row is missing. Throws when it cannot be read.
[[nodiscard]] QString studioName(Database& db);
// Stores the name without blanks and line breaks at its ends; creates the row if missing. Throws.
void setStudioName(Database& db, const QString& name);

} // namespace Settings
