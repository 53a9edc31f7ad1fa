#include "SoakWalk.h"

#include "CalvoraApp.h"
#include "CalvoraCommands.h"
#include "CalvoraView.h"
#include "DentistColumn.h"
#include "Dialogs.h"
#include "HeaderRow.h"
#include "Keyboard.h"
#include "PrintService.h"
#include "Schedule.h"
#include "ScheduleGrid.h"
#include "SettingsView.h"
#include "Store.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <iostream>
#include <memory>

namespace {

// Controls whose action leaves this machine or waits on the network.
const QSet<QString> untouchable{
    QStringLiteral("serverTest"), QStringLiteral("serverSave"), QStringLiteral("serverRemove"),
    QStringLiteral("serverCopy"),  QStringLiteral("revealButton"),
};

// Dialogs of the platform that the program only opens: Escape closes them, nothing in them is ours.
bool isForeignDialog(const QWidget* dialog)
{
    return dialog->inherits("QPrintPreviewDialog") || dialog->inherits("QAbstractPrintDialog")
        || dialog->inherits("QColorDialog") || dialog->inherits("QFileDialog");
}

const QStringList texts{
    QStringLiteral("Anna"),      QStringLiteral("Rossi"),         QStringLiteral("Mario Bianchi"),
    QStringLiteral("333 1234567"), QStringLiteral("Igiene"),      QStringLiteral("d'Amico"),
    QStringLiteral("%_\\"),      QStringLiteral("Niccolò Żółć"),  QStringLiteral("10/12/2024"),
    QStringLiteral("a"),         QStringLiteral("12"),            QStringLiteral("Dott.ssa Chiara Bellandi"),
};

} // namespace

SoakWalk::SoakWalk(CalvoraApp& app, Store& otherProgram, quint64 seed, int steps, QString scratchFolder)
    : m_app(app)
    , m_window(app.agendaWindow())
    , m_store(app.store())
    , m_other(otherProgram)
    , m_random(seed)
    , m_steps(steps)
    , m_scratch(std::move(scratchFolder))
    , m_verbose(qEnvironmentVariableIsSet("CALVORA_SOAK_VERBOSE"))
{
}

std::optional<QString> SoakWalk::run(const std::function<std::optional<QString>()>& check, int checkEvery)
{
    m_check = check;
    m_checkEvery = checkEvery;
    QTimer::singleShot(0, this, &SoakWalk::step);
    m_loop.exec();
    if (!m_failure)
        m_failure = m_check();
    return m_failure;
}

QStringList SoakWalk::recent() const
{
    const std::lock_guard lock(m_recentLock);
    return m_recent;
}

void SoakWalk::note(const QString& action)
{
    const QString line = QString::number(m_done) + QStringLiteral(": ") + action;
    if (m_verbose)
        std::cerr << line.toStdString() << std::endl;
    const std::lock_guard lock(m_recentLock);
    m_recent.append(line);
    if (m_recent.size() > 40)
        m_recent.removeFirst();
}

void SoakWalk::step()
{
    if (m_failure || m_done >= m_steps) {
        windDown();
        return;
    }
    ++m_done;
    ++m_progress;
    // Queued first: when this action opens a dialog that waits in a loop of its own, the walk goes on in there.
    QTimer::singleShot(0, this, &SoakWalk::step);
    if (m_checkEvery > 0 && m_done % m_checkEvery == 0)
        if ((m_failure = m_check()))
            return;
    // A window manager activates another window when the active one goes; the offscreen platform does not.
    QWidget* active = QApplication::activeWindow();
    if (!active || !active->isVisible())
        m_window.activateWindow();
    QWidget* settings = m_app.settingsWindow();
    if (QWidget* popup = QApplication::activePopupWidget())
        inPopup(popup);
    else if (QWidget* modal = QApplication::activeModalWidget())
        inDialog(modal);
    else if (settings && settings->isVisible() && QApplication::activeWindow() == settings)
        inSettings(settings);
    else
        inAgenda();
}

// Closes whatever is open, one thing per turn of the event loop (a dialog's own loop must end before the
// one that opened it), then ends the walk.
void SoakWalk::windDown()
{
    ++m_progress;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    } else {
        m_loop.quit();
        return;
    }
    QTimer::singleShot(0, this, &SoakWalk::windDown);
}

int SoakWalk::pick(std::initializer_list<int> weights)
{
    return pickFrom(QList<int>(weights));
}

int SoakWalk::pickFrom(const QList<int>& weights)
{
    int total = 0;
    for (const int w : weights)
        total += w;
    int r = below(total);
    int index = 0;
    for (const int w : weights) {
        if (r < w)
            return index;
        r -= w;
        ++index;
    }
    return index - 1;
}

void SoakWalk::perform(std::initializer_list<std::pair<int, std::function<void()>>> actions)
{
    QList<int> weights;
    for (const auto& action : actions)
        weights.append(action.first);
    (actions.begin() + pickFrom(weights))->second();
}

void SoakWalk::inAgenda()
{
    perform({
        {14, [this] { pressShortcut(); }},
        {26, [this] { pressGridKey(); }},
        {12, [this] { clickSlot(false); }},
        {8, [this] { clickSlot(true); }},
        {10, [this] { dragBlock(); }},
        {4, [this] { openBlockMenu(); }},
        {8, [this] { clickToolbar(); }},
        {4, [this] { clickHeader(); }},
        {8, [this] {
             const bool redo = chance(40);
             note(redo ? QStringLiteral("Ctrl+Shift+Z") : QStringLiteral("Ctrl+Z"));
             Keyboard::press(&m_window, Qt::Key_Z, redo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
         }},
        {3, [this] { otherProgramWrites(); }},
        {3, [this] { triggerMenuItem(); }},
        {3, [this] {
             const bool escape = chance(50);
             note(escape ? QStringLiteral("Escape") : QStringLiteral("Return"));
             Keyboard::press(&m_window, escape ? Qt::Key_Escape : Qt::Key_Return);
         }},
        {1, [this] {
             QWidget* settings = m_app.settingsWindow();
             if (!settings || !settings->isVisible())
                 return;
             note(QStringLiteral("back to the settings window"));
             settings->activateWindow();
         }},
        {2, [this] {
             const QSize size(1000 + below(600), 650 + below(350));
             note(QStringLiteral("window resized to %1×%2").arg(size.width()).arg(size.height()));
             m_window.resize(size);
         }},
    });
}

void SoakWalk::inPopup(QWidget* popup)
{
    const QString where = QString::fromLatin1(popup->metaObject()->className());
    const int choice = pick({30, 12, 18, 8, 5, 10, 17});
    const Qt::Key keys[] = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Down, Qt::Key_Up, Qt::Key_Tab};
    if (choice < 5) {
        note(where + QStringLiteral(": key ") + QKeySequence(keys[choice]).toString());
        Keyboard::press(&m_window, keys[choice]);
    } else if (choice == 5) {
        typeText();
    } else if (auto* menu = qobject_cast<QMenu*>(popup)) {
        QList<QAction*> items;
        for (QAction* a : menu->actions())
            if (a->isEnabled() && a->isVisible() && !a->isSeparator())
                items.append(a);
        if (items.isEmpty())
            return;
        QAction* item = items[below(int(items.size()))];
        note(where + QStringLiteral(": click ") + item->text());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    } else {
        clickSomethingIn(popup);
    }
}

void SoakWalk::inDialog(QWidget* dialog)
{
    const QString where = QString::fromLatin1(dialog->metaObject()->className());
    if (isForeignDialog(dialog)) {
        note(where + QStringLiteral(": Escape"));
        Keyboard::press(&m_window, Qt::Key_Escape);
        return;
    }
    const int choice = pick({14, 14, 12, 4, 6, 4, 4, 4, 16, 22});
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Up, Qt::NoModifier},
        {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_Backspace, Qt::NoModifier},
    };
    if (choice < 8) {
        note(where + QStringLiteral(": key ") + QKeySequence(keys[choice].first).toString());
        Keyboard::press(&m_window, keys[choice].first, keys[choice].second);
    } else if (choice == 8) {
        typeText();
    } else {
        clickSomethingIn(dialog);
    }
}

void SoakWalk::inSettings(QWidget* settings)
{
    const auto key = [this](const QString& name, Qt::Key k) {
        note(QStringLiteral("settings: ") + name);
        Keyboard::press(&m_window, k);
    };
    perform({
        {12, [&] { key(QStringLiteral("Tab"), Qt::Key_Tab); }},
        {14, [this] { typeText(); }},
        {30, [&] { clickSomethingIn(settings); }},
        {8, [&] { key(QStringLiteral("Down"), chance(50) ? Qt::Key_Down : Qt::Key_Up); }},
        {6, [&] { key(QStringLiteral("Return"), Qt::Key_Return); }},
        {4, [&] { key(QStringLiteral("Escape"), Qt::Key_Escape); }},
        {3, [&] {
             note(QStringLiteral("settings: closed"));
             settings->close();
         }},
        {4, [this] {
             note(QStringLiteral("back to the agenda window"));
             m_window.activateWindow();
         }},
        {3, [this] { pressShortcut(); }},
    });
}

void SoakWalk::pressShortcut()
{
    CalvoraCommands* commands = m_window.commands();
    QList<QAction*> candidates;
    for (QAction* a : m_window.actions())
        if (!a->shortcut().isEmpty() && a != commands->quitAction() && a != commands->guideAction())
            candidates.append(a);
    if (candidates.isEmpty())
        return;
    QAction* action = candidates[below(int(candidates.size()))];
    preparePrint(action);
    note(QStringLiteral("shortcut ") + action->shortcut().toString() + QStringLiteral(" (") + action->text() + u')');
    QTest::keySequence(Keyboard::target(&m_window), action->shortcut());
}

// Most print commands go to a PDF file in the scratch folder (drawn for real, nothing shown); the others
// open the print preview, which the walk then closes.
void SoakWalk::preparePrint(QAction* action)
{
    CalvoraCommands* commands = m_window.commands();
    if (action != commands->printWeekAction() && action != commands->printDuplexAction()
        && action != commands->printDayAction())
        return;
    if (chance(75))
        PrintService::answerNextPrintToPdf(m_scratch + QStringLiteral("/stampa-%1.pdf").arg(m_pdfs++ % 3));
}

void SoakWalk::triggerMenuItem()
{
    CalvoraCommands* commands = m_window.commands();
    QList<QAction*> items;
    for (QAction* menu : m_window.menuBar()->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->isEnabled() && !item->isSeparator() && item != commands->quitAction()
                    && item != commands->guideAction())
                    items.append(item);
    if (items.isEmpty())
        return;
    QAction* item = items[below(int(items.size()))];
    preparePrint(item);
    note(QStringLiteral("menu item ") + item->text());
    item->trigger();
}

void SoakWalk::pressGridKey()
{
    static const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_Up, Qt::NoModifier},       {Qt::Key_Down, Qt::NoModifier},     {Qt::Key_Left, Qt::NoModifier},
        {Qt::Key_Right, Qt::NoModifier},    {Qt::Key_Down, Qt::NoModifier},     {Qt::Key_Right, Qt::NoModifier},
        {Qt::Key_PageUp, Qt::NoModifier},   {Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_Home, Qt::NoModifier},
        {Qt::Key_End, Qt::NoModifier},      {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_End, Qt::ControlModifier},
        {Qt::Key_Return, Qt::NoModifier},   {Qt::Key_Return, Qt::NoModifier},   {Qt::Key_Delete, Qt::NoModifier},
        {Qt::Key_Menu, Qt::NoModifier},     {Qt::Key_F10, Qt::ShiftModifier},  {Qt::Key_C, Qt::NoModifier},
        {Qt::Key_A, Qt::NoModifier},        {Qt::Key_N, Qt::NoModifier},        {Qt::Key_D, Qt::NoModifier},
    };
    const auto& [key, modifiers] = keys[below(int(std::size(keys)))];
    ScheduleGrid* grid = m_window.grid();
    // The user's keys reach the grid once it has the focus (a click on it gives it).
    if (!grid->hasFocus())
        grid->setFocus(Qt::MouseFocusReason);
    note(QStringLiteral("grid key ") + QKeySequence(key | modifiers).toString());
    QTest::keyClick(grid, key, modifiers);
}

DentistColumn* SoakWalk::randomColumn()
{
    QList<DentistColumn*> shown;
    for (DentistColumn* column : m_window.grid()->body()->columns())
        if (column->isVisible())
            shown.append(column);
    return shown.isEmpty() ? nullptr : shown[below(int(shown.size()))];
}

QPoint SoakWalk::pointInSlot(DentistColumn* column, int slot)
{
    const double h = column->geometryRules().rowHeight();
    return QPoint(2 + int(m_random.bounded(std::max(1, column->width() - 4))), int(slot * h + m_random.bounded(h)));
}

DentistColumn* SoakWalk::columnWithBlocks()
{
    for (int attempt = 0; attempt < 12; ++attempt)
        if (DentistColumn* column = randomColumn(); column && !column->blocks().empty())
            return column;
    return nullptr;
}

QPoint SoakWalk::pointInBlock(DentistColumn* column)
{
    const QRectF r = column->blocks()[size_t(below(int(column->blocks().size())))].rect();
    return QPoint(int(r.left() + 1 + m_random.bounded(std::max(1.0, r.width() - 2))),
                  int(r.top() + 1 + m_random.bounded(std::max(1.0, r.height() - 2))));
}

void SoakWalk::clickSlot(bool onBlock)
{
    DentistColumn* column = onBlock ? columnWithBlocks() : randomColumn();
    if (!column)
        return;
    const QPoint at = onBlock ? pointInBlock(column) : pointInSlot(column, below(int(Schedule::startTimes().size())));
    note(QStringLiteral("click %1 %2 at %3,%4")
             .arg(onBlock ? QStringLiteral("block") : QStringLiteral("slot"), column->dentist().name)
             .arg(at.x())
             .arg(at.y()));
    QTest::mouseClick(column, Qt::LeftButton, {}, at);
}

// A block pressed, moved past the drag distance (which starts the drag), and its payload carried over
// another column as the platform would: entering, moving over a few slots, then dropped or taken away.
void SoakWalk::dragBlock()
{
    DentistColumn* source = columnWithBlocks();
    if (!source)
        return;
    const QPoint grab = pointInBlock(source);
    const auto send = [](QWidget* target, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(source, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    send(source, QEvent::MouseMove, grab + QPoint(0, QApplication::startDragDistance() + 3), Qt::LeftButton);
    const QList<QDrag*> drags = source->findChildren<QDrag*>();
    if (drags.isEmpty() || !drags.last()->mimeData()) {
        send(source, QEvent::MouseButtonRelease, grab, Qt::NoButton);
        note(QStringLiteral("drag did not start"));
        return;
    }
    auto payload = std::make_unique<QMimeData>();
    payload->setText(drags.last()->mimeData()->text());
    DentistColumn* target = randomColumn();
    if (!target)
        return;
    const bool drop = chance(85);
    QPoint at = pointInSlot(target, below(int(Schedule::startTimes().size())));
    note(QStringLiteral("drag %1 from %2 to %3 at %4,%5%6")
             .arg(payload->text(), source->dentist().name, target->dentist().name)
             .arg(at.x())
             .arg(at.y())
             .arg(drop ? QString() : QStringLiteral(" (taken away)")));
    QDragEnterEvent enter(at, Qt::MoveAction, payload.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    for (int i = below(3); i >= 0; --i) {
        at = pointInSlot(target, below(int(Schedule::startTimes().size())));
        QDragMoveEvent move(at, Qt::MoveAction, payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    if (drop) {
        QDropEvent dropped(at, Qt::MoveAction, payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
    } else {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
    }
}

void SoakWalk::openBlockMenu()
{
    DentistColumn* column = columnWithBlocks();
    if (!column)
        return;
    const QPoint at = pointInBlock(column);
    note(QStringLiteral("block menu in %1").arg(column->dentist().name));
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, column->mapToGlobal(at));
    QApplication::sendEvent(column, &request);
}

void SoakWalk::clickToolbar()
{
    QList<QToolButton*> buttons;
    for (QToolBar* bar : m_window.findChildren<QToolBar*>())
        for (QToolButton* button : bar->findChildren<QToolButton*>())
            if (button->isVisible() && button->isEnabled())
                buttons.append(button);
    if (buttons.isEmpty())
        return;
    QToolButton* button = buttons[below(int(buttons.size()))];
    if (QAction* action = button->defaultAction())
        preparePrint(action);
    note(QStringLiteral("toolbar ") + button->text());
    QTest::mouseClick(button, Qt::LeftButton);
}

void SoakWalk::clickHeader()
{
    HeaderRow* header = m_window.grid()->headerRow();
    QList<QWidget*> shown;
    for (QWidget* w : header->dayLabels())
        if (w->isVisible())
            shown.append(w);
    for (QWidget* w : header->dentistHeaders())
        if (w->isVisible())
            shown.append(w);
    if (shown.isEmpty())
        return;
    QWidget* target = shown[below(int(shown.size()))];
    note(QStringLiteral("header ") + QString::fromLatin1(target->metaObject()->className()));
    QTest::mouseClick(target, Qt::LeftButton);
}

// Another reception computer books, moves, changes or deletes an appointment of the week on show.
void SoakWalk::otherProgramWrites()
{
    m_other.refreshIfChangedElsewhere();
    if (m_other.anchor() != m_store.anchor()) {
        m_other.setAnchor(m_store.anchor());
        m_other.reload();
    }
    const QList<Appointment> week = m_other.weekAppointments();
    const QList<Dentist> dentists = m_other.visibleDentists();
    const QList<QDate> days = m_other.visibleDays();
    const int choice = week.isEmpty() ? 0 : pick({40, 25, 20, 15});
    // Someone joins the waiting list now and then, so that freed starts get offered in the window.
    if (chance(10)) {
        note(QStringLiteral("other program adds to the waiting list"));
        WaitingEntry waiting;
        waiting.patient = texts[below(int(texts.size()))];
        waiting.durationMinutes = 15 * (1 + below(4));
        (void)m_other.saveWaitingEntry(waiting);
    }
    // The practice names or removes operators now and then: the toolbar's switch comes and goes.
    if (chance(5)) {
        QStringList names;
        for (const QString& name : {QStringLiteral("Anna"), QStringLiteral("Bruno"), QStringLiteral("Carla")})
            if (chance(50))
                names.append(name);
        note(QStringLiteral("other program names the operators ") + names.join(u','));
        (void)m_other.setOperators(names);
    }
    if (choice == 0 && !dentists.isEmpty() && !days.isEmpty()) {
        Appointment a{0,  dentists[below(int(dentists.size()))].id,
                      {}, Schedule::startTimes()[below(int(Schedule::startTimes().size()))],
                      15 * (1 + below(8)), texts[below(int(texts.size()))],
                      {}, QStringLiteral("Controllo"), {}};
        a.day = days[below(int(days.size()))].toString(Qt::ISODate);
        note(QStringLiteral("other program books %1 %2").arg(a.day).arg(a.startMinutes));
        (void)m_other.save(a);
        return;
    }
    if (week.isEmpty() || dentists.isEmpty() || days.isEmpty())
        return;
    Appointment a = week[below(int(week.size()))];
    if (choice == 1) {
        note(QStringLiteral("other program moves %1").arg(a.id));
        m_other.move(a.id, days[below(int(days.size()))], dentists[below(int(dentists.size()))].id,
                     Schedule::startTimes()[below(int(Schedule::startTimes().size()))]);
    } else if (choice == 2) {
        note(QStringLiteral("other program changes %1").arg(a.id));
        a.treatment = texts[below(int(texts.size()))];
        a.notes = QStringLiteral("cambiato altrove");
        (void)m_other.save(a);
    } else {
        note(QStringLiteral("other program deletes %1").arg(a.id));
        m_other.deleteAppointment(a);
    }
    m_other.setAlertMessage(std::nullopt);
}

void SoakWalk::typeText()
{
    const QString text = texts[below(int(texts.size()))];
    const QWidget* target = Keyboard::target(&m_window);
    note(QStringLiteral("type \"%1\" into %2").arg(text, QString::fromLatin1(target->metaObject()->className())));
    Keyboard::type(&m_window, text);
}

// A click on one of the visible, enabled controls of a window: a button, a row of a list, a field.
void SoakWalk::clickSomethingIn(QWidget* root)
{
    QList<QWidget*> candidates;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || untouchable.contains(w->objectName()))
            continue;
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QLineEdit*>(w)
            || qobject_cast<QComboBox*>(w) || qobject_cast<QPlainTextEdit*>(w))
            candidates.append(w);
    }
    if (candidates.isEmpty())
        return;
    QWidget* target = candidates[below(int(candidates.size()))];
    QString name = target->objectName();
    if (auto* button = qobject_cast<QAbstractButton*>(target); button && name.isEmpty())
        name = button->text();
    if (auto* view = qobject_cast<QAbstractItemView*>(target)) {
        QAbstractItemModel* model = view->model();
        if (!model || model->rowCount(view->rootIndex()) == 0)
            return;
        const int row = below(model->rowCount(view->rootIndex()));
        const int column = below(std::max(1, model->columnCount(view->rootIndex())));
        const QRect cell = view->visualRect(model->index(row, column, view->rootIndex()));
        if (cell.isEmpty())
            return;
        note(QStringLiteral("click row %1 of %2").arg(row).arg(QString::fromLatin1(view->metaObject()->className())));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        return;
    }
    // The invite is written and the calendar folder kept in the scratch folder.
    if (name == u"inviteButton" || name == u"chooseCalendarFolder")
        Dialogs::answerNextPath(m_scratch + (name == u"inviteButton" ? QStringLiteral("/invito.ics") : QString()));
    note(QStringLiteral("click %1 \"%2\"").arg(QString::fromLatin1(target->metaObject()->className()), name));
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}
