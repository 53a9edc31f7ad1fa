#pragma once

#include "Appointment.h"
#include "DayStatus.h"

#include <QKeySequence>

#include <optional>

class QMenu;
class QWidget;
class Store;

// What the receptionist can do with one appointment of the grid, from its menu and from the keyboard
// cursor: edit it, give it a status, cancel it, delete it. The status keys are the same in both places.
namespace BlockMenu {

// C Confermato, A Arrivato, N Non presentato, D Da confermare.
[[nodiscard]] Qt::Key statusKey(AppointmentStatus status);
// The status a key (without modifiers) gives; absent for any other key.
[[nodiscard]] std::optional<AppointmentStatus> statusOfKey(int key);

// Fills the menu: "Modifica…", the four statuses (the present one checked, each showing its key),
// "Disdici…", "Elimina…". The actions work on the store; "Disdici…" opens its sheet over `sheetParent`.
void fill(QMenu* menu, Store& store, const Appointment& appointment, QWidget* sheetParent);

// Gives the appointment the status; a refusal goes to the store's alert.
void setStatus(Store& store, qint64 id, AppointmentStatus status);

} // namespace BlockMenu
