#include "BlockMenu.h"

#include "CancelDialog.h"
#include "Store.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>

namespace BlockMenu {

namespace {

constexpr std::array statuses{AppointmentStatus::ToConfirm, AppointmentStatus::Confirmed, AppointmentStatus::Arrived,
                              AppointmentStatus::NoShow};

// While the menu is open the status keys choose in it, as they do on the grid.
class StatusKeys : public QObject {
public:
    explicit StatusKeys(QMenu* menu)
        : QObject(menu)
        , m_menu(menu)
    {
        menu->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_menu || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !statusOfKey(key->key()))
            return false;
        for (QAction* action : m_menu->actions())
            if (action->shortcut() == QKeySequence(key->key())) {
                m_menu->close();
                action->trigger();
                return true;
            }
        return false;
    }

private:
    QMenu* m_menu;
};

} // namespace

Qt::Key statusKey(AppointmentStatus status)
{
    switch (status) {
    case AppointmentStatus::ToConfirm:
        return Qt::Key_D;
    case AppointmentStatus::Confirmed:
        return Qt::Key_C;
    case AppointmentStatus::Arrived:
        return Qt::Key_A;
    case AppointmentStatus::NoShow:
        return Qt::Key_N;
    }
    return Qt::Key_unknown;
}

std::optional<AppointmentStatus> statusOfKey(int key)
{
    for (const AppointmentStatus s : statuses)
        if (statusKey(s) == key)
            return s;
    return std::nullopt;
}

void setStatus(Store& store, qint64 id, AppointmentStatus status)
{
    if (store.status(id).status == status)
        return;
    if (std::optional<QString> refusal = store.setStatus(id, status))
        store.setAlertMessage(refusal);
}

void fill(QMenu* menu, Store& store, const Appointment& a, QWidget* sheetParent)
{
    menu->addAction(QStringLiteral("Modifica…"), menu, [&store, a] { store.setEditing(a); });
    menu->addSeparator();
    const AppointmentStatus now = store.status(a.id).status;
    auto* group = new QActionGroup(menu);
    for (const AppointmentStatus s : statuses) {
        QAction* item = menu->addAction(AppointmentStatuses::label(s), menu,
                                        [&store, id = a.id, s] { setStatus(store, id, s); });
        item->setCheckable(true);
        item->setChecked(s == now);
        group->addAction(item);
        // The key is shown beside the item; StatusKeys makes it work while the menu is open.
        item->setShortcut(QKeySequence(statusKey(s)));
        item->setShortcutContext(Qt::WidgetShortcut);
    }
    new StatusKeys(menu);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Disdici…"), menu,
                    [&store, a, sheetParent] { CancelDialog::ask(store, a, sheetParent); });
    menu->addAction(QStringLiteral("Elimina…"), menu, [&store, a] { store.setPendingDelete(a); });
}

} // namespace BlockMenu
