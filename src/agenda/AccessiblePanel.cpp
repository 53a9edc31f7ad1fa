#include "AccessiblePanel.h"

#include "Popover.h"

#include <QApplication>

AccessiblePanel::AccessiblePanel(QWidget* panel)
    : QAccessibleWidget(panel, QAccessible::Window) {}

// The panel's own name, else that of what it shows (a popover is only a frame around its content).
QString AccessiblePanel::text(QAccessible::Text t) const {
    if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
        return QAccessibleWidget::text(t);
    if (const auto* popover = qobject_cast<const Popover*>(widget()))
        if (const QWidget* content = popover->content())
            return content->accessibleName().isEmpty() ? content->windowTitle() : content->accessibleName();
    return QAccessibleWidget::text(t);
}

QAccessibleInterface* AccessiblePanel::parent() const {
    return QAccessible::queryAccessibleInterface(qApp);
}

QList<QAccessibleInterface*> AccessibleApplication::openPanels() {
    QList<QAccessibleInterface*> panels;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() == Qt::Popup)
            if (QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(window))
                if (dynamic_cast<AccessiblePanel*>(panel))
                    panels.append(panel);
    return panels;
}

int AccessibleApplication::childCount() const {
    return QAccessibleApplication::childCount() + int(openPanels().size());
}

QAccessibleInterface* AccessibleApplication::child(int index) const {
    const int windows = QAccessibleApplication::childCount();
    if (index < windows)
        return QAccessibleApplication::child(index);
    return openPanels().value(index - windows);
}

int AccessibleApplication::indexOfChild(const QAccessibleInterface* child) const {
    const int index = QAccessibleApplication::indexOfChild(child);
    if (index >= 0)
        return index;
    const int panel = int(openPanels().indexOf(const_cast<QAccessibleInterface*>(child)));
    return panel < 0 ? -1 : QAccessibleApplication::childCount() + panel;
}
