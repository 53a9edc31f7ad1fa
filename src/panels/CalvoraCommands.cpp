#include "CalvoraCommands.h"

#include "AboutPanel.h"
#include "Cal.h"
#include "Clock.h"
#include "Store.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

CalvoraCommands::CalvoraCommands(Store& store, QMenuBar* menuBar, QWidget* window, PrintJob print,
                                 std::function<void()> openSettings)
    : QObject(window)
    , m_store(store)
    , m_window(window)
{
    QMenu* file = menuBar->addMenu(QStringLiteral("File"));
    m_new = addCommand(file, QStringLiteral("Nuovo appuntamento"), QKeySequence(Qt::CTRL | Qt::Key_N),
                       [this] { m_store.newAppointment(); });
    file->addSeparator();
    m_printWeek =
        addCommand(file, QStringLiteral("Stampa settimana (1 pagina)…"), QKeySequence(Qt::CTRL | Qt::Key_P),
                   [print] { print(PrintLayout::WeekOnePage, false); });
    m_printDuplex = addCommand(file, QStringLiteral("Stampa settimana fronte/retro…"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                               [print] { print(PrintLayout::WeekTwoPages, true); });
    m_printDay = addCommand(file, QStringLiteral("Stampa giorno…"), QKeySequence(),
                            [print] { print(PrintLayout::Day, false); });
    file->addSeparator();
    // On macOS the role moves these into the application menu.
    m_settings = addCommand(file, QStringLiteral("Impostazioni…"), QKeySequence(QKeySequence::Preferences),
                            std::move(openSettings));
    m_settings->setMenuRole(QAction::PreferencesRole);
#if !defined(Q_OS_MACOS)
    // macOS has its own quit item in the application menu; elsewhere the File menu carries it.
    file->addSeparator();
    m_quit = addCommand(file, QStringLiteral("Esci"), QKeySequence(QKeySequence::Quit),
                        [] { QApplication::closeAllWindows(); });
    m_quit->setMenuRole(QAction::QuitRole);
#endif

    QMenu* go = menuBar->addMenu(QStringLiteral("Vai"));
    m_today = addCommand(go, QStringLiteral("Oggi"), QKeySequence(Qt::CTRL | Qt::Key_T),
                         [this] { m_store.showDate(Clock::today()); });
    m_previous =
        addCommand(go, QString(), QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { m_store.step(-1); });
    m_next = addCommand(go, QString(), QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { m_store.step(1); });
    go->addSeparator();
    m_dayView = addCommand(go, QStringLiteral("Vista giorno"), QKeySequence(Qt::CTRL | Qt::Key_1),
                           [this] { m_store.setMode(ViewMode::Day); });
    m_weekView = addCommand(go, QStringLiteral("Vista settimana"), QKeySequence(Qt::CTRL | Qt::Key_2),
                            [this] { m_store.setMode(ViewMode::Week); });

    QMenu* help = menuBar->addMenu(QStringLiteral("Aiuto"));
    m_guide = addCommand(help, QStringLiteral("Guida di Calvora"), QKeySequence(Qt::CTRL | Qt::Key_Question),
                         [] { openUserGuide(); });
#if !defined(Q_OS_MACOS)
    m_guide->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Question), QKeySequence(QKeySequence::HelpContents)});
#endif
    m_about = addCommand(help, QStringLiteral("Informazioni su Calvora"), QKeySequence(),
                         [this] { showAboutPanel(m_window); });
    m_about->setMenuRole(QAction::AboutRole);

    followStore();
    connect(&m_store, &Store::changed, this, &CalvoraCommands::followStore);
}

QAction* CalvoraCommands::addCommand(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                                     std::function<void()> action)
{
    QAction* item = menu->addAction(title);
    item->setMenuRole(QAction::NoRole);
    item->setShortcut(shortcut);
    item->setShortcutContext(Qt::ApplicationShortcut);
    connect(item, &QAction::triggered, this, [action = std::move(action)] { action(); });
    if (m_window)
        m_window->addAction(item);
    return item;
}

void CalvoraCommands::followStore()
{
    const bool day = m_store.mode() == ViewMode::Day;
    m_previous->setText(day ? QStringLiteral("Giorno precedente") : QStringLiteral("Settimana precedente"));
    m_next->setText(day ? QStringLiteral("Giorno successivo") : QStringLiteral("Settimana successiva"));
    const bool editing = m_store.editing().has_value();
    m_new->setEnabled(!editing);
    m_previous->setEnabled(!editing);
    m_next->setEnabled(!editing);
}
