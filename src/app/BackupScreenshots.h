#pragma once

#include <QString>

class CalvoraApp;

// The pictures of "Ripristina da backup…": the list of the backups ("ripristino.png") and the newest one
// opened read-only ("backup-in-lettura.png"). Takes a backup of the scratch agenda first.
namespace BackupScreenshots {

bool write(CalvoraApp& app, const QString& folder);

} // namespace BackupScreenshots
