#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

// Keys sent where a user's keyboard sends them. The offscreen platform has no window manager: it does not
// move the activation to a sheet when it opens, nor back when a popup closes, so the window that takes
// the keys is found as a window manager would choose it: an open popup, else a modal window, else the
// focused widget of a visible window, else the main window.
namespace Keyboard {

inline QWidget* target(QWidget* mainWindow)
{
    const auto inside = [](QWidget* window) { return window->focusWidget() ? window->focusWidget() : window; };
    if (QWidget* popup = QApplication::activePopupWidget())
        return inside(popup);
    if (QWidget* modal = QApplication::activeModalWidget())
        return inside(modal);
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->window()->isVisible())
        return focus;
    return inside(mainWindow);
}

inline void press(QWidget* mainWindow, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(target(mainWindow), key, modifiers);
}

// One character's key, also a letter outside ASCII (which QTest::keyClicks refuses).
inline void typeCharacter(QWidget* widget, QChar c)
{
    if (c.unicode() < 128)
        QTest::keyClick(widget, char(c.unicode()));
    else
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Each key goes where the keyboard sends it at that moment: a key may move the focus, or close the
// window it was typed into.
inline void type(QWidget* mainWindow, const QString& text)
{
    for (const QChar c : text)
        typeCharacter(target(mainWindow), c);
}

} // namespace Keyboard
