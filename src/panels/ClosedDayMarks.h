#pragma once

#include "ClosedDays.h"

#include <QList>

class QCalendarWidget;
class Store;

// The practice's closed days on a calendar: greyed and struck out, with the reason as tooltip. Only the
// page on show is marked, so that a long list of periods costs nothing while the calendar is closed.
namespace ClosedDayMarks {

// Marks the closed days of the page the calendar shows and clears every earlier mark.
void mark(QCalendarWidget* calendar, const QList<ClosedPeriod>& periods);
// Marks now, and again from the store's periods whenever the calendar turns a page. The store must
// outlive the calendar.
void follow(QCalendarWidget* calendar, const Store& store);

} // namespace ClosedDayMarks
