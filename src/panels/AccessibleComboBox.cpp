#include "AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace {

QAccessibleInterface* comboInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object))
            return new AccessibleComboBox(box);
    return nullptr;
}

} // namespace

AccessibleComboBox::AccessibleComboBox(QComboBox* box)
    : QAccessibleWidget(box, QAccessible::ComboBox) {}

void AccessibleComboBox::installFactory() {
    // Qt ignores a factory that is already installed.
    QAccessible::installFactory(comboInterface);
}

QComboBox* AccessibleComboBox::box() const {
    return static_cast<QComboBox*>(widget());
}

QList<QWidget*> AccessibleComboBox::parts() const {
    QList<QWidget*> parts{box()->view()};
    if (box()->isEditable() && box()->lineEdit())
        parts.append(box()->lineEdit());
    return parts;
}

QString AccessibleComboBox::text(QAccessible::Text t) const {
    const QString value =
        box()->isEditable() && box()->lineEdit() ? box()->lineEdit()->text() : box()->currentText();
    switch (t) {
    case QAccessible::Name: {
        // The accessible name, else the label of its form row (Qt finds the label whose buddy it is).
        const QString name = QAccessibleWidget::text(t);
        return name.isEmpty() ? value : name;
    }
    case QAccessible::Value:
        return value;
    default:
        return QAccessibleWidget::text(t);
    }
}

int AccessibleComboBox::childCount() const {
    return int(parts().size());
}

QAccessibleInterface* AccessibleComboBox::child(int index) const {
    const QList<QWidget*> all = parts();
    return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index]) : nullptr;
}

int AccessibleComboBox::indexOfChild(const QAccessibleInterface* child) const {
    return child ? int(parts().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
}

QStringList AccessibleComboBox::actionNames() const {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

void AccessibleComboBox::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction()) {
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

QStringList AccessibleComboBox::keyBindingsForAction(const QString& actionName) const {
    if (actionName == showMenuAction() || actionName == pressAction())
        return {};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
