#pragma once

#include "Dialogs.h"

#include <QString>

class QWidget;

// The about box: the application's icon, its name, its version and the credits line
// "Agenda appuntamenti per studi dentistici" centred at 11 points. Shown through Dialogs, so tests
// answer it with Dialogs::answerNext(QMessageBox::AcceptRole) and read it with Dialogs::takeShown().
[[nodiscard]] DialogRequest aboutPanelRequest();
// Shows the about box over `parent`'s window (may be null) and waits until it is closed.
void showAboutPanel(QWidget* parent);

// "Guida Calvora.pdf" beside the executable (in the bundle's Resources on macOS).
[[nodiscard]] QString userGuidePath();
// Opens the user guide with the default PDF viewer (through Desktop::openFile); nothing when the
// file is missing.
void openUserGuide();
