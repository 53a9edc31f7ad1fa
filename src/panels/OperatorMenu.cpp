#include "OperatorMenu.h"

#include "CalvoraCommands.h"
#include "Store.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace {

const QString nobody = QStringLiteral("Nessuno");
const QString description = QStringLiteral("Chi lavora a questo computer");

} // namespace

OperatorMenu::OperatorMenu(Store& store, QWidget* window)
    : QObject(window)
    , m_store(store)
    , m_action(new QAction(this))
    , m_menu(new QMenu(window))
{
    m_action->setObjectName(QStringLiteral("operatorCommand"));
    m_action->setMenuRole(QAction::NoRole);
    m_action->setShortcut(shortcut());
    m_action->setShortcutContext(Qt::ApplicationShortcut);
    m_action->setToolTip(tipWithShortcut(description, m_action));
    m_action->setMenu(m_menu);
    m_menu->setObjectName(QStringLiteral("operatorMenu"));
    m_menu->installEventFilter(this);
    window->addAction(m_action);
    show();
    connect(&m_store, &Store::changed, this, &OperatorMenu::follow);
}

QString OperatorMenu::title(const QString& current)
{
    return QStringLiteral("Operatore: ") + (current.isEmpty() ? QStringLiteral("—") : current);
}

int OperatorMenu::keyFor(qsizetype index)
{
    if (index < 0)
        return Qt::Key_0;
    return index < 9 ? int(Qt::Key_1 + index) : 0;
}

void OperatorMenu::follow()
{
    if (m_store.operators() == m_shownOperators && m_store.currentOperator() == m_shownCurrent)
        return;
    show();
}

void OperatorMenu::show()
{
    m_shownOperators = m_store.operators();
    m_shownCurrent = m_store.currentOperator();
    m_action->setText(title(m_shownCurrent));
    // An invisible command has no shortcut either: with no operators named nothing changes.
    // Nobody works at a backup's copy.
    m_action->setVisible(!m_shownOperators.isEmpty() && !m_store.readOnly());
    rebuild();
}

void OperatorMenu::rebuild()
{
    m_menu->clear();
    auto* group = new QActionGroup(m_menu);
    const auto add = [&](const QString& text, const QString& name, int key) {
        QAction* item = m_menu->addAction(text, m_menu, [this, name] { m_store.setCurrentOperator(name); });
        item->setCheckable(true);
        item->setChecked(name == m_shownCurrent);
        group->addAction(item);
        // Shown beside the name; the filter below makes it work while the menu is open.
        if (key != 0) {
            item->setShortcut(QKeySequence(key));
            item->setShortcutContext(Qt::WidgetShortcut);
        }
    };
    for (qsizetype i = 0; i < m_shownOperators.size(); ++i)
        add(m_shownOperators[i], m_shownOperators[i], keyFor(i));
    m_menu->addSeparator();
    add(nobody, QString(), keyFor(-1));
}

bool OperatorMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_menu || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key->key() < Qt::Key_0 || key->key() > Qt::Key_9)
        return false;
    for (QAction* item : m_menu->actions())
        if (!item->isSeparator() && item->shortcut() == QKeySequence(key->key())) {
            m_menu->close();
            item->trigger();
            return true;
        }
    return false;
}
