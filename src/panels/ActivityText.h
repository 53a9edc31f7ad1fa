#pragma once

#include "ActivityEntry.h"

#include <QString>

class Store;

// The activity log's entries told in the receptionist's words: when, who and what, e.g.
// "4 dic 10:02 · RECEPTION (anna): spostato da mer 4 dic 09:00 a gio 5 dic 10:00".
namespace ActivityText {

// The local day and time of the entry, e.g. "4 dic 10:02".
[[nodiscard]] QString when(const ActivityEntry& entry);
// The computer and its account, e.g. "RECEPTION (anna)"; for a client that is not this program, its
// database role, application and address.
[[nodiscard]] QString computer(const ActivityEntry& entry);
// Who did it: the operator when one is named, then the computer, e.g. "Anna su RECEPTION (anna)".
[[nodiscard]] QString who(const ActivityEntry& entry);
// What the entry did, e.g. "stato: Arrivato", "disdetto dal paziente (Influenza)"; dentists named as
// the store knows them.
[[nodiscard]] QString summary(const ActivityEntry& entry, const Store& store);
// The patient the entry is about, as its personal texts name them; empty when they name none.
[[nodiscard]] QString patient(const ActivityEntry& entry);
// One line of an appointment's history: "when · who: summary".
[[nodiscard]] QString historyLine(const ActivityEntry& entry, const Store& store);

} // namespace ActivityText
