#pragma once

#include <QAccessibleWidget>

class ScheduleGrid;

// The agenda grid for assistive technology. The grid holds the keyboard focus, and what has it is the
// keyboard cursor's cell, which is its focus child.
class AccessibleGrid : public QAccessibleWidget {
public:
    explicit AccessibleGrid(ScheduleGrid* grid);

    QAccessibleInterface* focusChild() const override;

    // Makes Qt describe the grid, the dentist columns, the panels over the agenda and the application
    // with the agenda's interfaces; once per process, as early as possible.
    static void installFactory();
};
