#include "CalvoraApp.h"

#include "AccessibleGrid.h"
#include "AppPaths.h"
#include "Backup.h"
#include "BackupNowCommand.h"
#include "BackupRestore.h"
#include "Bootstrap.h"
#include "CalendarFolder.h"
#include "CalvoraView.h"
#include "AppointmentEditor.h"
#include "Database.h"
#include "FreeSlotPanel.h"
#include "LogCheck.h"
#include "OperatorChoice.h"
#include "DentistEditor.h"
#include "PrintService.h"
#include "RestoreProof.h"
#include "RestoredCopy.h"
#include "SearchPanel.h"
#include "SecondPlace.h"
#include "ServerSetup.h"
#include "SettingsView.h"
#include "Store.h"

#include <QApplication>
#include <QSettings>
#include <QEvent>
#include <QFileInfo>
#include <QScreen>
#include <QThread>
#include <QTimer>

namespace {

// A certificate to trust comes with its question, and trusting it answers like a test.
ServerLineActions::Outcome forSettingsWindow(const ServerSetup::Outcome& o)
{
    ServerLineActions::Outcome result{o.ok, o.message};
    if (o.trust) {
        result.question = o.question;
        result.confirm = [trust = o.trust] { return forSettingsWindow(trust()); };
    }
    return result;
}

} // namespace

CalvoraApp::CalvoraApp(QObject* parent)
    : QObject(parent)
{
    // Before a screen reader first asks for the application's windows.
    AccessibleGrid::installFactory();
}

CalvoraApp::~CalvoraApp()
{
    // Its verdict is posted to this object.
    if (m_structureCheck)
        m_structureCheck->wait();
    delete m_settings;
    delete m_agenda;
}

Store& CalvoraApp::store()
{
    if (!m_store) {
        m_store = std::make_unique<Store>(Bootstrap::archive());
        for (const Bootstrap::StartEvent& e : Bootstrap::takeStartEvents())
            (void)m_store->logEvent(e.action, QStringLiteral("agenda"), e.details);
        keepErasures();
        // Once the window is up; a broken chain is said over the agenda, which goes on working.
        QTimer::singleShot(1000, m_store.get(), [this] { checkLog(); });
        m_structureCheckLeft = Bootstrap::takeStructureCheckLeft();
        // A window that does not paint (started minimised) must not leave the file unchecked for long.
        if (m_structureCheckLeft)
            QTimer::singleShot(2000, this, [this] { checkStructureLeft(); });
        // Another reception computer on the same data folder or server: its changes appear within a second.
        m_store->followArchive();
        m_calendars = std::make_unique<CalendarFolder>(*m_store);
        m_operatorChoice = std::make_unique<OperatorChoice>(*m_store, OperatorChoice::localSettings());
        keepSecondPlace();
        // Said over the agenda window once it is open (the first turn of the event loop).
        if (const std::optional<QString> notice = Bootstrap::takeStartNotice()) {
            Store* shown = m_store.get();
            QTimer::singleShot(0, shown, [shown, text = *notice] { shown->setAlertMessage(text); });
        }
    }
    return *m_store;
}

void CalvoraApp::keepSecondPlace()
{
    m_store->setSecondPlace(BackupNowCommand::localSecondPlace(m_store->archiveLocation()));
    m_store->setRestoreProof(std::make_unique<RestoreProof>(
        OperatorChoice::localSettings(), m_store->archiveLocation(), [](const QString& backup, const QString& folder) {
            const RestoredCopy::Counts counts = RestoredCopy::restoreInto(backup, folder);
            return RestoreProof::Counts{counts.appointments, counts.dentists};
        }));
    SecondPlace& place = *m_store->secondPlace();
    // Today's backup goes there unless it arrived already (at an earlier start, or with the drive plugged
    // in since): an unplugged drive is said once a day.
    const QString daily = Backup::dailyPath(AppPaths::dataFolder() + QStringLiteral("/Backup"));
    if (!place.folder().isEmpty() && QFileInfo::exists(daily)
        && !QFileInfo::exists(place.folder() + u'/' + QFileInfo(daily).fileName()))
        place.send(daily);
}

void CalvoraApp::keepErasures()
{
    // Before the agenda opens: an older backup brought back must not show what was anonymised since.
    m_store->setErasureMemory(AppPaths::dataFolder() + QStringLiteral("/anonimizzazioni.json"));
    std::optional<QString> failure = m_store->reapplyErasures();
    if (const std::optional<QString> retention = m_store->applyRetentionIfDue(); !failure)
        failure = retention;
    if (failure)
        QTimer::singleShot(0, m_store.get(), [shown = m_store.get(), text = *failure] { shown->setAlertMessage(text); });
    // The retention's day changes while the program stays open overnight.
    auto* daily = new QTimer(m_store.get());
    connect(daily, &QTimer::timeout, m_store.get(), [shown = m_store.get()] {
        if (const std::optional<QString> retained = shown->applyRetentionIfDue())
            shown->setAlertMessage(*retained);
    });
    daily->start(60 * 1000);
}

CalvoraView& CalvoraApp::agendaWindow()
{
    if (!m_agenda) {
        Store& shared = store();
        const auto print = [this, &shared](PrintLayout layout, bool duplex) {
            PrintService::print(m_agenda, shared, layout, duplex);
        };
        AgendaPanels panels;
        panels.appointmentEditor = [](Store& s, const Appointment& a, QWidget* parent) -> QDialog* {
            return new AppointmentEditor(s, a, parent);
        };
        panels.searchPanel = [](Store& s, std::function<void()> close, QWidget* parent) -> QWidget* {
            return new SearchPanel(s, std::move(close), QString(), parent);
        };
        panels.dentistEditor = [](Store& s, const Dentist& d, std::function<void()> close, QWidget* parent) -> QWidget* {
            return new DentistEditor(s, d, std::move(close), parent);
        };
        panels.print = print;
        panels.openSettings = [this] { showSettings(); };
        panels.freeSlotPanel = [](Store& s, std::function<void()> close, QWidget* parent) -> QWidget* {
            return new FreeSlotPanel(s, std::move(close), parent);
        };
        panels.confirmations = [this] { showConfirmations(); };
        panels.restoreFromBackup = [this] { showBackups(); };
        m_agenda = new CalvoraView(shared, std::move(panels));
        // A practice laptop's screen is smaller than the window would like to be.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            m_agenda->fitInto(screen->availableGeometry());
        else
            m_agenda->resize(CalvoraView::preferredSize);
        if (m_structureCheckLeft)
            m_agenda->installEventFilter(this);
    }
    return *m_agenda;
}

void CalvoraApp::showConfirmations()
{
    // One list per process, over the agenda window, closed with it.
    if (!m_confirmations)
        m_confirmations = new ConfirmationPanel(store(), &agendaWindow());
    m_confirmations->show();
    m_confirmations->raise();
    m_confirmations->activateWindow();
}

void CalvoraApp::showSettings()
{
    if (!m_settings) {
        // The settings window sets the server line through these, knowing nothing of servers itself.
        ServerLineActions server;
        server.savedLine = [] { return ServerSetup::savedLine().value_or(QString()); };
        server.commandLineInUse = ServerSetup::commandLineLine().has_value();
        const auto outcome = [](const ServerSetup::Outcome& o) { return forSettingsWindow(o); };
        server.test = [outcome](const QString& line) { return outcome(ServerSetup::test(line)); };
        server.save = [outcome](const QString& line) { return outcome(ServerSetup::save(line)); };
        server.remove = [outcome] { return outcome(ServerSetup::remove()); };
        server.copy = [outcome](const QString& line) { return outcome(ServerSetup::copyToServer(line)); };
        m_settings = new SettingsView(store(), nullptr, std::move(server));
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

bool CalvoraApp::eventFilter(QObject* watched, QEvent* event)
{
    // The check reads the whole file: it starts once the window's first paint is done, not beside it. The
    // event's type is asked first: a window being destroyed still sends events here, and is no longer one.
    if (event->type() == QEvent::Paint && m_structureCheckLeft && watched == m_agenda)
        QTimer::singleShot(0, this, [this] { checkStructureLeft(); });
    return QObject::eventFilter(watched, event);
}

void CalvoraApp::checkStructureLeft()
{
    if (!m_structureCheckLeft)
        return;
    if (m_agenda)
        m_agenda->removeEventFilter(this);
    const QString path = *std::exchange(m_structureCheckLeft, std::nullopt);
    if (m_structureCheck)
        m_structureCheck->wait();
    m_structureCheck.reset(QThread::create([this, path] {
        if (std::optional<DatabaseError> fault = Database::structureFault(path))
            QMetaObject::invokeMethod(this, [this, path, f = *fault] { recoverFromDamage(path, f); },
                                      Qt::QueuedConnection);
    }));
    // Only on a core the receptionist's work leaves idle.
    m_structureCheck->start(QThread::IdlePriority);
}

void CalvoraApp::checkLog()
{
    m_logCheck = std::make_unique<LogCheck>(Bootstrap::archive().logReaderMaker());
    connect(m_logCheck.get(), &LogCheck::broken, this, [this](const QString& message) {
        if (m_store)
            m_store->setAlertMessage(message + QStringLiteral(".\nL'agenda si può usare come sempre; il registro "
                                                             "va controllato con calvora --verify-log."));
    });
}

void CalvoraApp::recoverFromDamage(const QString& path, const DatabaseError& fault)
{
    // A dialog still open (an alert of the first reading) belongs to the windows about to be replaced.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(100, this, [this, path, fault] { recoverFromDamage(path, fault); });
        return;
    }
    const bool shown = m_agenda && m_agenda->isVisible();
    // The alert stands alone between the windows closed here and the new ones: it must not end the program.
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    Bootstrap::replaceDamagedArchive(path, fault, [this] { closeUsers(); });
    if (shown)
        agendaWindow().show();
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
}

void CalvoraApp::closeUsers()
{
    m_backups.reset();
    if (m_agenda)
        m_agenda->removeEventFilter(this);
    delete m_settings;
    delete m_agenda;
    m_calendars.reset();
    m_operatorChoice.reset();
    m_logCheck.reset();
    m_store.reset();
}

void CalvoraApp::showBackups()
{
    if (!m_backups) {
        m_backups = std::make_unique<BackupRestore>(
            store(), AppPaths::dataFolder(),
            [this](const QString& plainPath, const QString& backupName) { restoreWhole(plainPath, backupName); });
    }
    m_backups->showList(&agendaWindow());
}

void CalvoraApp::restoreWhole(const QString& plainPath, const QString& backupName)
{
    if (store().onServer()) {
        // One transaction on the server: every computer stays open and reloads as after any change.
        const std::optional<QString> failure = store().restoreServerFrom(plainPath);
        store().setAlertMessage(failure.value_or(
            QStringLiteral("L'agenda del server è stata ripristinata dal backup ") + backupName
            + QStringLiteral(": l'agenda è com'era allora. L'agenda di prima è conservata nel backup fatto appena "
                             "prima del ripristino, nella cartella Backup.")));
        return;
    }
    const bool shown = m_agenda && m_agenda->isVisible();
    // No window is left between closing the old ones and opening the new ones: that must not end the program.
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    const std::optional<QString> failure = Bootstrap::restoreArchive(plainPath, backupName, [this] { closeUsers(); });
    if (shown)
        agendaWindow().show();
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    if (failure)
        store().setAlertMessage(failure);
}
