#pragma once

#include <QString>

class CalvoraApp;

// Pictures of the main screens for documentation: fills an empty week of the (scratch) data folder with
// demo appointments and writes PNG files into the folder. Needs no display (offscreen platform).
namespace ScreenshotMode {

// Returns the process exit status: 0 when every picture was written.
int run(CalvoraApp& app, const QString& folder);

} // namespace ScreenshotMode
