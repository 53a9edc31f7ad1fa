#pragma once

#include <QAccessibleWidget>

class ScheduleGrid;

// The agenda grid for assistive technology. The grid holds the keyboard focus, and what has it is the
// keyboard cursor's cell, which is its focus child.
class AccessibleGrid : public QAccessibleWidget {
public:
    explicit AccessibleGrid(ScheduleGrid* grid);

    QAccessibleInterface* focusChild() const override;

    // Makes Qt describe the grid and the dentist columns with these interfaces; once per process.
    static void installFactory();
};
