#pragma once

#include <QString>
#include <QStringList>

class SettingsView;
class Store;

// Pictures of the panels for the screenshot mode, rendered from the store's current data:
// "ricerca-in-corso.png" (the first search of the session waiting for its answer, taken when the
// store has not kept the agenda in memory yet and reads it on a worker; this function then has it
// kept), "editor-nuovo.png" (a new appointment), "editor-modifica.png" (the first appointment of the
// week on show, when there is one), "dentista.png" (the first dentist), "ricerca.png" (a search for
// the surname of that appointment's patient), "chiave-ripristino.png" (the recovery key as shown once, for
// a fixed key of the picture's own). The store's editing state is cleared afterwards; nothing
// is saved. Returns the files written; a picture that cannot be saved is left out.
namespace PanelScreenshots {

QStringList write(Store& store, const QString& folder);
// Each page of a shown settings window at the window's default size, "impostazioni-studio.png",
// "impostazioni-dentisti.png", "impostazioni-chiusure.png", "impostazioni-archivio.png" and, when it
// has the server's page, "impostazioni-server.png". Returns the files written.
QStringList settingsPages(SettingsView& settings, const QString& folder);

} // namespace PanelScreenshots
