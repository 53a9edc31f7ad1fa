#pragma once

#include <QString>

#include <optional>

// Where the program and its data folder lie. Nothing here creates anything on disk.
namespace AppPaths {

// Set once from --data-dir before anything reads the data folder.
void setOverrideDataFolder(const std::optional<QString>& folder);
[[nodiscard]] std::optional<QString> overrideDataFolder();

// The running application bundle (macOS) or the folder holding the executable elsewhere.
[[nodiscard]] QString bundlePath();
// The folder that contains the application: the bundle's folder on macOS, the executable's elsewhere.
[[nodiscard]] QString applicationFolder();
// The override when set, else "Dati" beside the application. Computed on every read.
[[nodiscard]] QString dataFolder();
[[nodiscard]] QString databasePath();

// Tests stand in for the installed program's location.
void setApplicationLocationForTesting(const std::optional<QString>& bundlePath,
                                      const std::optional<QString>& applicationFolder);

} // namespace AppPaths
