#pragma once

#include <QKeySequence>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QWidget;
class Store;

// Who works at this computer, chosen in two keystrokes: the command's shortcut opens the menu, then a
// digit picks: 1 to 9 the practice's operators in their order, 0 nobody. The command reads "Operatore:
// Anna" ("Operatore: —" with nobody chosen) and shows only while the practice names operators; with
// none named there is nothing to choose and the program looks as it always did. Owned by `window`.
class OperatorMenu : public QObject {
    Q_OBJECT

public:
    OperatorMenu(Store& store, QWidget* window);

    // The command, shared by the toolbar and the menu bar; its menu lists the operators.
    [[nodiscard]] QAction* action() const { return m_action; }
    [[nodiscard]] QMenu* menu() const { return m_menu; }
    // The command's shortcut, which opens the menu.
    [[nodiscard]] static QKeySequence shortcut() { return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O); }
    // "Operatore: Anna", or "Operatore: —" with nobody chosen.
    [[nodiscard]] static QString title(const QString& current);
    // The key that picks the operator at `index` of the list (0 for nobody, -1); none past the ninth.
    [[nodiscard]] static int keyFor(qsizetype index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    void show();
    void rebuild();

    Store& m_store;
    QAction* m_action;
    QMenu* m_menu;
    // What the menu was built for.
    QStringList m_shownOperators;
    QString m_shownCurrent;
};
