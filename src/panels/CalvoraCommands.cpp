#include "CalvoraCommands.h"

#include "AboutPanel.h"
#include "Clock.h"
#include "OperatorMenu.h"
#include "Store.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

QString tipWithShortcut(const QString& description, const QAction* action)
{
    if (action->shortcut().isEmpty())
        return description;
    return description + QStringLiteral(" (") + action->shortcut().toString(QKeySequence::NativeText)
        + QStringLiteral(")");
}

CalvoraCommands::CalvoraCommands(Store& store, QWidget* window, CommandHooks hooks)
    : QObject(window)
    , m_store(store)
    , m_window(window)
{
    auto print = hooks.print;
    m_new = command(QStringLiteral("Nuovo appuntamento"), QKeySequence(Qt::CTRL | Qt::Key_N),
                    [this] { m_store.newAppointment(); }, QStringLiteral("Nuovo appuntamento"));
    m_printWeek = command(QStringLiteral("Stampa settimana (1 pagina)…"), QKeySequence(Qt::CTRL | Qt::Key_P),
                          [print] { print(PrintLayout::WeekOnePage, false); });
    m_printDuplex = command(QStringLiteral("Stampa settimana fronte/retro…"),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                            [print] { print(PrintLayout::WeekTwoPages, true); });
    m_printDay = command(QStringLiteral("Stampa giorno…"), QKeySequence(), [print] { print(PrintLayout::Day, false); });
    m_printMenu = new QAction(QStringLiteral("Stampa"), this);
    m_printMenu->setToolTip(QStringLiteral("Stampa su A4 orizzontale"));
    auto* printMenu = new QMenu(window);
    printMenu->addActions({m_printWeek, m_printDuplex});
    printMenu->addSeparator();
    printMenu->addAction(m_printDay);
    m_printMenu->setMenu(printMenu);

    // Where the platform has no preferences key (Linux), Ctrl+, as on the Mac.
    const QKeySequence preferences = QKeySequence(QKeySequence::Preferences).isEmpty()
        ? QKeySequence(Qt::CTRL | Qt::Key_Comma)
        : QKeySequence(QKeySequence::Preferences);
    m_settings = command(QStringLiteral("Impostazioni…"), preferences, std::move(hooks.openSettings));
    // On macOS the role moves these into the application menu.
    m_settings->setMenuRole(QAction::PreferencesRole);
    m_restore = command(QStringLiteral("Ripristina da backup…"), QKeySequence(), std::move(hooks.restoreFromBackup),
                        QStringLiteral("Guarda dentro un backup e riporta in agenda ciò che è andato perso"));
#if !defined(Q_OS_MACOS)
    m_quit = command(QStringLiteral("Esci"), QKeySequence(QKeySequence::Quit), [] { QApplication::closeAllWindows(); });
    m_quit->setMenuRole(QAction::QuitRole);
#endif

    m_operatorMenu = new OperatorMenu(m_store, window);
    connect(m_operatorMenu->action(), &QAction::triggered, this, [open = std::move(hooks.chooseOperator)] {
        if (open)
            open();
    });

    m_undo = command(QStringLiteral("Annulla"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { m_store.undo(); });
    m_redo = command(QStringLiteral("Ripeti"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                     [this] { m_store.redo(); });

    m_today = command(QStringLiteral("Oggi"), QKeySequence(Qt::CTRL | Qt::Key_T),
                      [this] { m_store.showDate(Clock::today()); }, QStringLiteral("Torna a oggi"));
    m_previous = command(QString(), QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { m_store.step(-1); });
    m_previous->setIconText(QStringLiteral("Precedente"));
    m_next = command(QString(), QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { m_store.step(1); });
    m_next->setIconText(QStringLiteral("Successivo"));
    m_goToDate = command(QStringLiteral("Vai alla data…"), QKeySequence(Qt::CTRL | Qt::Key_G),
                         std::move(hooks.goToDate), QStringLiteral("Vai a una data"));
    m_goToDate->setIconText(QStringLiteral("Vai alla data"));
    m_search = command(QStringLiteral("Cerca paziente…"), QKeySequence(Qt::CTRL | Qt::Key_F),
                       std::move(hooks.searchPatient), QStringLiteral("Cerca un paziente"));
    m_search->setIconText(QStringLiteral("Cerca"));
    m_freeSlot = command(QStringLiteral("Primo posto libero…"), QKeySequence(Qt::CTRL | Qt::Key_L),
                         std::move(hooks.findFreeSlot), QStringLiteral("Trova il primo posto libero"));
    m_freeSlot->setIconText(QStringLiteral("Primo posto libero"));
    m_cancellations = command(QStringLiteral("Disdette…"), QKeySequence(), std::move(hooks.showCancellations),
                              QStringLiteral("Le disdette dei giorni in agenda"));
    m_activityLog = command(QStringLiteral("Registro attività…"), QKeySequence(), std::move(hooks.showActivityLog),
                            QStringLiteral("Chi ha cambiato che cosa, da quale computer e quando"));
    m_confirmations = command(QStringLiteral("Da confermare…"), {}, std::move(hooks.confirmations),
                              QStringLiteral("Gli appuntamenti da confermare con una telefonata o un SMS"));
    m_confirmations->setIconText(QStringLiteral("Da confermare"));
    m_waitingList = command(QStringLiteral("Lista d'attesa…"), QKeySequence(), std::move(hooks.openWaitingList),
                            QStringLiteral("Mostra la lista d'attesa"));
    m_recalls = command(QStringLiteral("Richiami…"), QKeySequence(), std::move(hooks.openRecalls),
                        QStringLiteral("I pazienti da richiamare per il controllo o l'igiene"));
    m_dayView = command(QStringLiteral("Vista giorno"), QKeySequence(Qt::CTRL | Qt::Key_1),
                        [this] { m_store.setMode(ViewMode::Day); });
    m_dayView->setIconText(QStringLiteral("Giorno"));
    m_weekView = command(QStringLiteral("Vista settimana"), QKeySequence(Qt::CTRL | Qt::Key_2),
                         [this] { m_store.setMode(ViewMode::Week); });
    m_weekView->setIconText(QStringLiteral("Settimana"));
    auto* views = new QActionGroup(this);
    for (QAction* view : {m_dayView, m_weekView}) {
        view->setCheckable(true);
        views->addAction(view);
    }

    m_guide = command(QStringLiteral("Guida di Calvora"), QKeySequence(Qt::CTRL | Qt::Key_Question), [] { openUserGuide(); });
#if !defined(Q_OS_MACOS)
    m_guide->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Question), QKeySequence(QKeySequence::HelpContents)});
#endif
    m_about = command(QStringLiteral("Informazioni su Calvora"), QKeySequence(), [this] { showAboutPanel(m_window); });
    m_about->setMenuRole(QAction::AboutRole);

    if (m_store.readOnly())
        keepToReading();
    followStore();
    connect(&m_store, &Store::changed, this, &CalvoraCommands::followStore);
}

void CalvoraCommands::keepToReading()
{
    // What changes the agenda, prints it or belongs to the program rather than to this window goes.
    for (QAction* writes : {m_new, m_restore, m_printWeek, m_printDuplex, m_printDay, m_printMenu, m_settings, m_quit, m_undo,
                            m_redo, m_freeSlot, m_confirmations, m_cancellations, m_waitingList, m_recalls, m_activityLog,
                            m_operatorMenu->action()}) {
        if (!writes)
            continue;
        writes->setVisible(false);
        writes->setEnabled(false);
    }
    // The agenda window has the same shortcuts: each window answers its own.
    for (QAction* action : findChildren<QAction*>())
        action->setShortcutContext(Qt::WindowShortcut);
}

void CalvoraCommands::buildMenus(QMenuBar* menuBar)
{
    QMenu* file = menuBar->addMenu(QStringLiteral("File"));
    file->addAction(m_new);
    file->addSeparator();
    file->addActions({m_printWeek, m_printDuplex, m_printDay});
    file->addSeparator();
    file->addAction(m_restore);
    file->addSeparator();
    file->addAction(m_settings);
    file->addAction(m_operatorMenu->action());
    if (m_quit) {
        // macOS has its own quit item in the application menu; elsewhere the File menu carries it.
        file->addSeparator();
        file->addAction(m_quit);
    }

    QMenu* edit = menuBar->addMenu(QStringLiteral("Modifica"));
    edit->addActions({m_undo, m_redo});

    QMenu* go = menuBar->addMenu(QStringLiteral("Vai"));
    go->addActions({m_today, m_previous, m_next});
    go->addSeparator();
    go->addActions({m_goToDate, m_search, m_freeSlot, m_confirmations, m_cancellations, m_waitingList, m_recalls});
    go->addSeparator();
    go->addAction(m_activityLog);
    go->addSeparator();
    go->addActions({m_dayView, m_weekView});

    QMenu* help = menuBar->addMenu(QStringLiteral("Aiuto"));
    help->addActions({m_guide, m_about});
}

QAction* CalvoraCommands::command(const QString& title, const QKeySequence& shortcut, std::function<void()> action,
                                  const QString& description)
{
    auto* item = new QAction(title, this);
    item->setMenuRole(QAction::NoRole);
    item->setShortcut(shortcut);
    item->setShortcutContext(Qt::ApplicationShortcut);
    item->setIconVisibleInMenu(false);
    if (!description.isEmpty())
        item->setToolTip(tipWithShortcut(description, item));
    connect(item, &QAction::triggered, this, [action = std::move(action)] {
        if (action)
            action();
    });
    if (m_window)
        m_window->addAction(item);
    return item;
}

void CalvoraCommands::followStore()
{
    const bool day = m_store.mode() == ViewMode::Day;
    m_previous->setText(day ? QStringLiteral("Giorno precedente") : QStringLiteral("Settimana precedente"));
    m_next->setText(day ? QStringLiteral("Giorno successivo") : QStringLiteral("Settimana successiva"));
    m_previous->setToolTip(tipWithShortcut(m_previous->text(), m_previous));
    m_next->setToolTip(tipWithShortcut(m_next->text(), m_next));
    m_dayView->setChecked(day);
    m_weekView->setChecked(!day);
    if (m_store.readOnly())
        return;
    const bool editing = m_store.editing().has_value();
    m_new->setEnabled(!editing);
    m_previous->setEnabled(!editing);
    m_next->setEnabled(!editing);
    m_undo->setText(m_store.undoText());
    m_redo->setText(m_store.redoText());
    m_undo->setEnabled(!editing && m_store.canUndo());
    m_redo->setEnabled(!editing && m_store.canRedo());
}
