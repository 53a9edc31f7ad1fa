#pragma once

#include <QString>

class CalvoraView;
class QWidget;
class Store;

namespace AgendaScreenshots {

// Writes the widget as it looks now into `path` and says which file it wrote (or could not write).
bool savePicture(QWidget& widget, const QString& path);

// The agenda window as it opens on a 1366 × 768 laptop screen, written as agenda-1366x768.png in
// `folder`; the window gets its size back afterwards. False when the picture could not be written.
bool smallScreen(CalvoraView& window, const QString& folder);

} // namespace AgendaScreenshots

namespace AgendaScreenshots {

// The week with a status on some of its appointments (agenda-stati.png) and the list of its
// cancellations (disdette.png), after cancelling two; every change is undone afterwards, so the pictures
// that follow show the week as it was. False when a picture could not be written.
bool statuses(CalvoraView& window, Store& store, const QString& folder);

// The activity log's window (registro-attivita.png) and an appointment's history opened in the editor
// (storia-appuntamento.png), after a call and a confirmation, a move and a cancellation in the week (all
// put back afterwards). False when a picture could not be written.
bool activityLog(CalvoraView& window, Store& store, const QString& folder);

} // namespace AgendaScreenshots
