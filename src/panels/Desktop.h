#pragma once

#include <QString>

#include <functional>

// What the panels ask of the desktop outside the program. Tests replace both handlers so that nothing
// is launched; an empty handler restores the platform's behaviour.
namespace Desktop {

using Handler = std::function<void(const QString& path)>;

// Shows the file selected in a window of the platform's file browser: "open -R" on macOS; elsewhere
// the desktop's file manager over D-Bus (org.freedesktop.FileManager1.ShowItems), or, when there is
// none, the folder holding the file. Reports nothing.
void revealFile(const QString& path);
// What a button that does so reads: "Mostra nel Finder" on macOS, "Mostra nella cartella" elsewhere.
[[nodiscard]] QString revealText();

// Opens a document with the platform's default application. Reports nothing.
void openFile(const QString& path);

void setRevealHandler(Handler handler);
void setOpenHandler(Handler handler);

} // namespace Desktop
