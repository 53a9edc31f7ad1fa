#include "BackupLook.h"

#include "Cal.h"
#include "CalvoraView.h"
#include "Dialogs.h"
#include "KeyboardCursor.h"
#include "ScheduleGrid.h"
#include "SearchPanel.h"
#include "Store.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

BackupLook::BackupLook(Store& agenda, Opened opened, std::function<void()> restoreWhole, QObject* parent)
    : QObject(parent)
    , m_agenda(agenda)
    , m_opened(std::move(opened))
    , m_restoreWhole(std::move(restoreWhole))
{
    m_opened.store->setReadOnly(true);
    AgendaPanels panels;
    panels.searchPanel = [](Store& s, std::function<void()> close, QWidget* over) -> QWidget* {
        return new SearchPanel(s, std::move(close), QString(), over);
    };
    m_window = new CalvoraView(*m_opened.store, std::move(panels));
    m_window->setObjectName(QStringLiteral("backupLook"));
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->showAsCopy(m_opened.description);
    connect(m_window, &QObject::destroyed, this, &QObject::deleteLater);
    buildCommands();
}

BackupLook::~BackupLook()
{
    // The window reads the store, which reads the copy in the folder: they go in that order.
    delete m_window;
}

void BackupLook::buildCommands()
{
    m_copyAppointment = new QAction(QStringLiteral("Copia nell'agenda"), m_window);
    m_copyAppointment->setToolTip(QStringLiteral("Riporta nell'agenda di oggi l'appuntamento selezionato"));
    m_copyDay = new QAction(QStringLiteral("Copia il giorno nell'agenda"), m_window);
    m_copyDay->setToolTip(QStringLiteral("Riporta nell'agenda di oggi tutti gli appuntamenti del giorno selezionato"));
    m_restore = new QAction(QStringLiteral("Ripristina tutto l'archivio…"), m_window);
    m_restore->setToolTip(QStringLiteral("Rimette l'intero archivio com'era in questo backup"));
    connect(m_copyAppointment, &QAction::triggered, this, &BackupLook::copySelected);
    connect(m_copyDay, &QAction::triggered, this, &BackupLook::copyDay);
    connect(m_restore, &QAction::triggered, this, &BackupLook::restoreAll);

    auto* bar = new QToolBar(QStringLiteral("Copia di backup"), m_window);
    bar->setObjectName(QStringLiteral("backupCommands"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({m_copyAppointment, m_copyDay});
    bar->addSeparator();
    bar->addAction(m_restore);
    m_window->addToolBarBreak();
    m_window->addToolBar(Qt::TopToolBarArea, bar);
    QMenu* menu = m_window->menuBar()->addMenu(QStringLiteral("Backup"));
    menu->addActions({m_copyAppointment, m_copyDay});
    menu->addSeparator();
    menu->addAction(m_restore);
}

std::optional<Appointment> BackupLook::selected() const
{
    const KeyboardCursor& cursor = m_window->grid()->keyboardCursor();
    if (!cursor.isValid())
        return std::nullopt;
    return cursor.cell().appointment;
}

QDate BackupLook::selectedDay() const
{
    const KeyboardCursor& cursor = m_window->grid()->keyboardCursor();
    return cursor.isValid() ? cursor.day() : m_opened.store->anchor();
}

void BackupLook::copySelected()
{
    const std::optional<Appointment> a = selected();
    if (!a) {
        Dialogs::open(m_window, Dialogs::notice(QMessageBox::Information, QStringLiteral("Nessun appuntamento scelto"),
                                                QStringLiteral("Fai clic su un appuntamento, poi su «Copia nell'agenda».")),
                      [](int) {});
        return;
    }
    copyIn({*a});
}

void BackupLook::copyDay()
{
    const QString key = Cal::dayKey(selectedDay());
    QList<Appointment> day;
    for (const Appointment& a : m_opened.store->weekAppointments())
        if (a.day == key)
            day.append(a);
    if (day.isEmpty()) {
        Dialogs::open(m_window, Dialogs::notice(QMessageBox::Information, QStringLiteral("Nessun appuntamento"),
                                                QStringLiteral("Nel backup quel giorno non ha appuntamenti.")),
                      [](int) {});
        return;
    }
    copyIn(day);
}

void BackupLook::copyIn(const QList<Appointment>& appointments)
{
    const QStringList refused = m_agenda.copyFromBackup(appointments, m_opened.backupName);
    const qsizetype copied = appointments.size() - refused.size();
    DialogRequest request = Dialogs::notice(
        refused.isEmpty() ? QMessageBox::Information : QMessageBox::Warning,
        copied == 1 ? QStringLiteral("1 appuntamento copiato nell'agenda")
                    : QString::number(copied) + QStringLiteral(" appuntamenti copiati nell'agenda"),
        refused.isEmpty() ? QStringLiteral("Li trovi nell'agenda di oggi; ogni copia si può annullare con Annulla.")
                          : QStringLiteral("Questi non sono stati copiati:"));
    request.lines = refused;
    Dialogs::open(m_window, request, [](int) {});
}

void BackupLook::restoreAll()
{
    DialogRequest question;
    question.icon = QMessageBox::Warning;
    question.title = QStringLiteral("Ripristinare tutto l'archivio da questo backup?");
    question.message = QStringLiteral("L'agenda tornerà com'era nel backup ") + m_opened.backupName
        + QStringLiteral(": gli appuntamenti presi o cambiati dopo non ci saranno più. L'archivio di adesso resta nella "
                         "cartella dei dati con un nome datato, e le anonimizzazioni fatte dopo il backup vengono "
                         "applicate di nuovo.");
    question.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                        {QStringLiteral("Ripristina"), QMessageBox::DestructiveRole}};
    question.escapeIndex = 0;
    if (Dialogs::exec(m_window, question) != 1 || !m_restoreWhole)
        return;
    // The restore closes this window among the others: it runs once this call is over.
    QTimer::singleShot(0, QCoreApplication::instance(), m_restoreWhole);
}
