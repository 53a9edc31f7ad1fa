#pragma once

#include <QString>

class CalvoraView;
class Store;

namespace RecallScreenshots {

// The recall list of this month (richiami.png) and the editor of a visit that set a recall
// (editor-richiamo.png), in `folder`. While no recall is listed, a few visits of about six months ago are
// booked, each with its recall (due about now). False when a picture could not be written.
bool write(CalvoraView& window, Store& store, const QString& folder);

} // namespace RecallScreenshots
