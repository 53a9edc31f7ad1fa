#include "AccessibleGrid.h"

#include "AccessibleColumn.h"
#include "AccessibleComboBox.h"
#include "AccessiblePanel.h"
#include "DentistColumn.h"
#include "DentistEditor.h"
#include "Popover.h"
#include "ScheduleGrid.h"

#include <QApplication>

namespace {

QAccessibleInterface* agendaInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("ScheduleGrid"))
        if (auto* grid = qobject_cast<ScheduleGrid*>(object))
            return new AccessibleGrid(grid);
    if (className == QLatin1String("DentistColumn"))
        if (auto* column = qobject_cast<DentistColumn*>(object))
            return new AccessibleColumn(column);
    if (className == QLatin1String("Popover") || className == QLatin1String("DentistEditor"))
        if (auto* panel = qobject_cast<QWidget*>(object); panel && panel->isWindow())
            return new AccessiblePanel(panel);
    if (object == qApp)
        return new AccessibleApplication;
    return nullptr;
}

} // namespace

AccessibleGrid::AccessibleGrid(ScheduleGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Pane)
{
}

QAccessibleInterface* AccessibleGrid::focusChild() const
{
    auto* grid = static_cast<ScheduleGrid*>(widget());
    if (!grid->hasFocus())
        return QAccessibleWidget::focusChild();
    DentistColumn* column = grid->cursorColumn();
    QAccessibleInterface* columnInterface = column ? QAccessible::queryAccessibleInterface(column) : nullptr;
    QAccessibleInterface* cell = columnInterface ? columnInterface->focusChild() : nullptr;
    return cell ? cell : QAccessibleWidget::focusChild();
}

void AccessibleGrid::installFactory()
{
    // Qt ignores a factory that is already installed.
    QAccessible::installFactory(agendaInterface);
    AccessibleComboBox::installFactory();
    // The application may have been described before, without its panels: it is described again.
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    if (application && !dynamic_cast<AccessibleApplication*>(application))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(application));
}
