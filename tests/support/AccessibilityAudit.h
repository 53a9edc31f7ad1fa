#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace TestSupport {

// What a screen reader finds when it walks a window: every element the keyboard can reach must have a
// name, and a control whose name is only its own value ("09:00" for the time box) has none that says
// what it is for. Returns one line per nameless element (role, class and object name), empty when sound.
inline QStringList namelessFocusableElements(QWidget* window)
{
    QStringList nameless;
    const auto describe = [](QAccessibleInterface* element) {
        QObject* object = element->object();
        return QStringLiteral("role %1, %2 \"%3\" (value \"%4\")")
            .arg(int(element->role()))
            .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("item"))
            .arg(object ? object->objectName() : QString())
            .arg(element->text(QAccessible::Value));
    };
    const std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* element, int depth) {
        if (!element || depth > 40)
            return;
        const QAccessible::State state = element->state();
        if (state.invisible || state.offscreen)
            return;
        if (state.focusable && !state.disabled) {
            const QString name = element->text(QAccessible::Name).trimmed();
            const QString value = element->text(QAccessible::Value).trimmed();
            const bool namedByValue = element->role() == QAccessible::ComboBox && name == value;
            if (name.isEmpty() || namedByValue)
                nameless.append(describe(element));
        }
        for (int i = 0; i < element->childCount(); ++i)
            walk(element->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0);
    return nameless;
}

} // namespace TestSupport
