#pragma once

#include <QString>

class CalvoraView;
class Store;

namespace WaitingListScreenshots {

// The waiting list: a start freed in the week on show offered to it in the agenda window
// (lista-attesa-offerta.png, when the week still has a start ahead to free) and the list's own window
// (lista-attesa.png), both in `folder`. A few patients join the list when it is empty; the freed
// appointment comes back afterwards. False when a picture could not be written.
bool write(CalvoraView& window, Store& store, const QString& folder);

} // namespace WaitingListScreenshots
