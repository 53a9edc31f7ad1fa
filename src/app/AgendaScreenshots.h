#pragma once

#include <QString>

class CalvoraView;

namespace AgendaScreenshots {

// The agenda window as it opens on a 1366 × 768 laptop screen, written as agenda-1366x768.png in
// `folder`; the window gets its size back afterwards. False when the picture could not be written.
bool smallScreen(CalvoraView& window, const QString& folder);

} // namespace AgendaScreenshots
