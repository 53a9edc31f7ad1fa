#include "CalvoraView.h"

#include "AnonymiseQuestion.h"

#include "AgendaStyle.h"
#include "AppointmentEditor.h"
#include "CalvoraCommands.h"
#include "Cal.h"
#include "ActivityLogWindow.h"
#include "CancellationsPanel.h"
#include "ClosedDayMarks.h"
#include "Clock.h"
#include "Dialogs.h"
#include "HeaderRow.h"
#include "HolidayNotice.h"
#include "OperatorMenu.h"
#include "Icons.h"
#include "PatientDataWindow.h"
#include "Popover.h"
#include "ScheduleGrid.h"
#include "SearchPanel.h"
#include "SecondPlace.h"
#include "Store.h"
#include "FreeSlotPanel.h"
#include "RecallListWindow.h"
#include "WaitingListPanel.h"
#include "WaitingOfferBar.h"
#include "WarningLine.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QWidget* expandingSpacer(QWidget* parent)
{
    auto* spacer = new QWidget(parent);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return spacer;
}

} // namespace

CalvoraView::CalvoraView(Store& store, AgendaPanels panels, QWidget* parent)
    : QMainWindow(parent)
    , m_store(store)
    , m_panels(std::move(panels))
    , m_grid(new ScheduleGrid(store, true))
    , m_title(new QLabel)
    , m_count(new QLabel)
    , m_holidays(new HolidayNotice(store))
    , m_waitingOffer(new WaitingOfferBar(store))
    , m_calendarNotice(new WarningLine(QStringLiteral("calendarFolderNotice"), QStringLiteral("Calendari dei dentisti")))
    , m_secondPlaceNotice(new WarningLine(QStringLiteral("secondPlaceNotice"), QStringLiteral("Copie dei backup")))
    , m_copyNotice(new WarningLine(QStringLiteral("copyNotice"), QStringLiteral("Copia di backup")))
{
    setObjectName(QStringLiteral("main"));
    setMinimumSize(1000, 650);
    buildToolbar();

    auto* titleLine = new QWidget;
    auto* titleLayout = new QGridLayout(titleLine);
    titleLayout->setContentsMargins(16, 10, 16, 10);
    m_title->setFont(AgendaStyle::font(AgendaStyle::title2Size, QFont::DemiBold));
    m_count->setFont(AgendaStyle::font(AgendaStyle::calloutSize));
    QPalette countPalette = m_count->palette();
    countPalette.setColor(QPalette::WindowText, AgendaStyle::secondary(palette()));
    m_count->setPalette(countPalette);
    titleLayout->addWidget(m_title, 0, 0, Qt::AlignLeft | Qt::AlignBaseline);
    titleLayout->setColumnStretch(1, 1);
    titleLayout->addWidget(m_count, 0, 2, Qt::AlignRight | Qt::AlignBaseline);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("color: rgba(0,0,0,40);"));

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_copyNotice);
    layout->addWidget(m_holidays);
    layout->addWidget(m_waitingOffer);
    layout->addWidget(m_calendarNotice);
    layout->addWidget(m_secondPlaceNotice);
    if (SecondPlace* place = store.secondPlace())
        connect(place, &SecondPlace::changed, this, &CalvoraView::sayWhereBackupsGo);
    layout->addWidget(titleLine);
    layout->addWidget(divider);
    layout->addWidget(m_grid, 1);
    setCentralWidget(content);

    connect(m_grid, &ScheduleGrid::dentistClicked, this, &CalvoraView::openDentistEditor);
    connect(&m_store, &Store::changed, this, &CalvoraView::refresh);
    connect(m_holidays, &HolidayNotice::answered, this, &CalvoraView::focusGrid);
    m_holidays->showOffer();
    refresh();
    // The window opens with the keyboard in the grid.
    m_grid->setFocus(Qt::OtherFocusReason);
}

void CalvoraView::fitInto(const QRect& available)
{
    // The frame is the window manager's; where the platform does not know it before the window is first
    // shown, room is left for a title bar.
    if (!windowHandle())
        create();
    QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull())
        frame = QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 0);
    const QRect area = available - frame;
    QRect inside(QPoint(), preferredSize.boundedTo(area.size()).expandedTo(minimumSize()));
    inside.moveCenter(area.center());
    // A window larger than the area (its minimum size) keeps its top left corner, title bar and toolbar
    // on it.
    inside.moveTopLeft(QPoint(std::max(inside.left(), area.left()), std::max(inside.top(), area.top())));
    setGeometry(inside);
}

void CalvoraView::focusGrid()
{
    if (isVisible())
        m_grid->setFocus(Qt::OtherFocusReason);
}

void CalvoraView::buildToolbar()
{
    CommandHooks hooks;
    hooks.print = [this](PrintLayout layout, bool duplex) { print(layout, duplex); };
    hooks.openSettings = [this] {
        if (m_panels.openSettings)
            m_panels.openSettings();
    };
    hooks.goToDate = [this] { toggleDatePicker(); };
    hooks.searchPatient = [this] { toggleSearch(); };
    hooks.findFreeSlot = [this] { toggleFreeSlots(); };
    hooks.showCancellations = [this] { showCancellations(); };
    hooks.showActivityLog = [this] { showActivityLog(); };
    hooks.confirmations = [this] {
        if (m_panels.confirmations)
            m_panels.confirmations();
    };
    hooks.openWaitingList = [this] { openWaitingList(); };
    hooks.openRecalls = [this] { openRecalls(); };
    hooks.restoreFromBackup = [this] {
        if (m_panels.restoreFromBackup)
            m_panels.restoreFromBackup();
    };
    hooks.chooseOperator = [this] { chooseOperator(); };
    m_commands = new CalvoraCommands(m_store, this, std::move(hooks));
    m_commands->buildMenus(menuBar());

    auto* bar = new QToolBar(QStringLiteral("Barra degli strumenti"), this);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, bar);
    const QColor ink = palette().color(QPalette::ButtonText);
    const auto place = [&](QAction* action, std::optional<Icons::Kind> icon) {
        if (icon)
            action->setIcon(Icons::icon(*icon, ink));
        bar->addAction(action);
        return qobject_cast<QToolButton*>(bar->widgetForAction(action));
    };

    place(previousAction(), Icons::Kind::ChevronLeft)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    place(todayAction(), std::nullopt);
    place(nextAction(), Icons::Kind::ChevronRight)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_operatorButton = place(m_commands->operatorMenu()->action(), std::nullopt);
    m_operatorButton->setPopupMode(QToolButton::InstantPopup);

    bar->addWidget(expandingSpacer(bar));
    auto* segments = new QWidget(bar);
    segments->setAccessibleName(QStringLiteral("Vista"));
    segments->setFixedWidth(200);
    auto* segmentLayout = new QHBoxLayout(segments);
    segmentLayout->setContentsMargins(0, 0, 0, 0);
    segmentLayout->setSpacing(0);
    m_dayButton = new QToolButton(segments);
    m_weekButton = new QToolButton(segments);
    for (auto [button, action] : {std::pair(m_dayButton, m_commands->dayViewAction()),
                                  std::pair(m_weekButton, m_commands->weekViewAction())}) {
        button->setDefaultAction(action);
        button->setToolTip(QString());
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        segmentLayout->addWidget(button);
    }
    bar->addWidget(segments);
    bar->addWidget(expandingSpacer(bar));

    m_dateButton = place(m_commands->goToDateAction(), Icons::Kind::Calendar);
    m_searchButton = place(m_commands->searchAction(), Icons::Kind::Search);
    m_freeSlotButton = place(m_commands->freeSlotAction(), Icons::Kind::Clock);
    place(m_commands->confirmationsAction(), std::nullopt);
    m_printButton = place(m_commands->printMenuAction(), Icons::Kind::Printer);
    m_printButton->setPopupMode(QToolButton::InstantPopup);
    m_newButton = place(m_commands->newAppointmentAction(), Icons::Kind::Plus);
    // Qt's own button, made with the bar; it needs a name to be read and a tooltip to be understood.
    m_overflowButton = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    if (m_overflowButton) {
        m_overflowButton->setAccessibleName(QStringLiteral("Altri comandi"));
        m_overflowButton->setToolTip(QStringLiteral("Altri comandi"));
    }

    m_datePopover = new Popover(this);
    connect(m_datePopover, &Popover::closed, this, &CalvoraView::focusGrid);

    m_searchPopover = new Popover(this);
    m_freeSlotPopover = new Popover(this);
    for (Popover* popover : {m_searchPopover, m_freeSlotPopover}) {
        // The next opening starts afresh.
        popover->setDiscardsContentOnClose(true);
        connect(popover, &Popover::closed, this, &CalvoraView::focusGrid);
    }
}

QAction* CalvoraView::previousAction() const
{
    return m_commands->previousAction();
}

QAction* CalvoraView::todayAction() const
{
    return m_commands->todayAction();
}

QAction* CalvoraView::nextAction() const
{
    return m_commands->nextAction();
}

// Made when first opened: a calendar costs a few milliseconds of the program's start.
QCalendarWidget* CalvoraView::datePicker()
{
    if (!m_calendar) {
        m_calendar = new QCalendarWidget;
        m_calendar->setLocale(Cal::locale());
        m_calendar->setFirstDayOfWeek(Qt::Monday);
        m_calendar->setGridVisible(false);
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        m_calendar->setSelectedDate(m_store.anchor());
        m_calendar->setAccessibleName(QStringLiteral("Calendario"));
        if (auto* days = m_calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_calendarview")))
            days->setAccessibleName(QStringLiteral("Giorni del mese"));
        ClosedDayMarks::follow(m_calendar, m_store);
        auto* calendarBox = new QWidget;
        calendarBox->setAccessibleName(m_commands->goToDateAction()->iconText());
        auto* calendarLayout = new QVBoxLayout(calendarBox);
        calendarLayout->setContentsMargins(12, 12, 12, 12);
        calendarLayout->addWidget(m_calendar);
        m_datePopover->setContent(calendarBox);
        connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate day) { m_store.showDate(day); });
        connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate day) { m_store.showDate(day); });
    }
    return m_calendar;
}

void CalvoraView::toggleDatePicker()
{
    if (m_datePopover->isVisible()) {
        m_datePopover->close();
        return;
    }
    datePicker()->setSelectedDate(m_store.anchor());
    // The closed days may have changed since it was last open.
    ClosedDayMarks::mark(m_calendar, m_store.closedPeriods());
    m_datePopover->showUnder(m_dateButton);
}

void CalvoraView::toggleSearch()
{
    if (m_searchPopover->isVisible()) {
        m_searchPopover->close();
        return;
    }
    if (!m_panels.searchPanel)
        return;
    QWidget* panel = m_panels.searchPanel(m_store, [this] { m_searchPopover->close(); }, nullptr);
    if (auto* search = qobject_cast<SearchPanel*>(panel)) {
        connect(search, &SearchPanel::picked, this, [this](const Appointment& a) {
            // After the popover has handed the keyboard back to the grid.
            QTimer::singleShot(0, m_grid, [this, a] { m_grid->reveal(a); });
        });
        connect(search, &SearchPanel::patientDataRequested, this,
                [this](const QString& patient) { showPatientData(patient); });
    }
    m_searchPopover->setContent(panel);
    m_searchPopover->showUnder(m_searchButton);
}

void CalvoraView::toggleFreeSlots()
{
    if (m_freeSlotPopover->isVisible()) {
        m_freeSlotPopover->close();
        return;
    }
    if (!m_panels.freeSlotPanel)
        return;
    m_freeSlotPopover->setContent(m_panels.freeSlotPanel(m_store, [this] { m_freeSlotPopover->close(); }, nullptr));
    m_freeSlotPopover->showUnder(m_freeSlotButton);
}

void CalvoraView::chooseOperator()
{
    QMenu* menu = m_commands->operatorMenu()->menu();
    if (menu->isVisible())
        return;
    const bool onBar = m_operatorButton->isVisible();
    QWidget* under = onBar ? static_cast<QWidget*>(m_operatorButton) : m_grid;
    menu->popup(under->mapToGlobal(onBar ? QPoint(0, m_operatorButton->height()) : QPoint(0, 0)));
}

void CalvoraView::showCancellations()
{
    auto* panel = new CancellationsPanel(m_store, this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QDialog::finished, this, &CalvoraView::focusGrid);
    panel->open();
}

void CalvoraView::showActivityLog()
{
    // A window of its own, beside the agenda: the receptionist looks things up while working.
    auto* window = new ActivityLogWindow(m_store, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::finished, this, &CalvoraView::focusGrid);
    window->show();
}

PatientDataWindow* CalvoraView::showPatientData(const QString& patient, QWidget* over)
{
    auto* window = new PatientDataWindow(m_store, patient, over ? over : this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    // Once anonymised there is nothing of the patient left to show.
    connect(window, &PatientDataWindow::anonymiseRequested, window,
            [this, window](const QString& name, const QStringList& phones) {
                if (askAndAnonymise(window, m_store, name, phones))
                    window->close();
            });
    if (!over)
        connect(window, &QDialog::finished, this, &CalvoraView::focusGrid);
    window->open();
    return window;
}

WaitingListPanel* CalvoraView::waitingList() const
{
    return m_waitingList;
}

// One window, raised when asked again.
void CalvoraView::openWaitingList()
{
    if (!m_waitingList) {
        m_waitingList = new WaitingListPanel(m_store, this);
        m_waitingList->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_waitingList->refresh();
    m_waitingList->show();
    m_waitingList->raise();
    m_waitingList->activateWindow();
}

RecallListWindow* CalvoraView::recallList() const
{
    return m_recalls;
}

// One window, raised when asked again.
void CalvoraView::openRecalls()
{
    if (!m_recalls) {
        m_recalls = new RecallListWindow(m_store, this);
        m_recalls->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_recalls, &RecallListWindow::bookRequested, this, &CalvoraView::bookRecall);
    }
    m_recalls->refresh();
    m_recalls->show();
    m_recalls->raise();
    m_recalls->activateWindow();
}

void CalvoraView::bookRecall(const Recall& recall, int durationMinutes)
{
    if (!m_panels.freeSlotPanel)
        return;
    QWidget* content = m_panels.freeSlotPanel(m_store, [this] { m_freeSlotPopover->close(); }, nullptr);
    if (auto* panel = qobject_cast<FreeSlotPanel*>(content))
        panel->bookFor(recall, durationMinutes);
    m_freeSlotPopover->setContent(content);
    activateWindow();
    m_freeSlotPopover->showUnder(m_freeSlotButton);
}

void CalvoraView::openDentistEditor(DentistHeader* header)
{
    if (!m_panels.dentistEditor)
        return;
    if (m_dentistEditor)
        m_dentistEditor->close();
    m_dentistEditor = m_panels.dentistEditor(m_store, header->dentist(), [this] {
        if (m_dentistEditor)
            m_dentistEditor->close();
    }, this);
    m_dentistEditor->setAttribute(Qt::WA_DeleteOnClose);
    // The editor also goes when the whole window does: then nothing takes the focus.
    connect(m_dentistEditor, &QObject::destroyed, m_grid, [grid = m_grid] {
        if (grid->window()->isVisible())
            grid->setFocus(Qt::OtherFocusReason);
    });
    placeUnder(m_dentistEditor, header);
    m_dentistEditor->show();
}

void CalvoraView::print(PrintLayout layout, bool duplex)
{
    if (m_panels.print)
        m_panels.print(layout, duplex);
}

DialogRequest CalvoraView::deleteRequest(const Appointment& a)
{
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Eliminare l'appuntamento?");
    request.message = a.patient + QStringLiteral(" \u2013 ") + Cal::format(a.date(), QStringLiteral("EEEEdMMM")) + u' '
        + a.timeRange();
    // Cancelling comes first, as in the editor's confirmation, so that Return never deletes.
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Elimina"), QMessageBox::DestructiveRole}};
    request.escapeIndex = 0;
    return request;
}

QString CalvoraView::countText() const
{
    // Nothing is counted of days that were not read.
    if (!m_store.weekLoaded())
        return {};
    QSet<QString> keys;
    for (const QDate& day : m_store.visibleDays())
        keys.insert(Cal::dayKey(day));
    qsizetype n = 0;
    for (const Appointment& a : m_store.weekAppointments())
        if (keys.contains(a.day))
            ++n;
    if (n == 0)
        return QStringLiteral("Nessun appuntamento");
    if (n == 1)
        return QStringLiteral("1 appuntamento");
    return QString::number(n) + QStringLiteral(" appuntamenti");
}

void CalvoraView::showAsCopy(const QString& description)
{
    m_copyTitle = description;
    m_copyNotice->say(description);
    refresh();
}

void CalvoraView::refresh()
{
    if (!m_copyTitle.isEmpty())
        setWindowTitle(m_copyTitle);
    else
        setWindowTitle(m_store.studioName().isEmpty() ? QStringLiteral("Calvora") : m_store.studioName());
    m_title->setText(m_store.title());
    m_count->setText(countText());
    if (m_calendar && m_calendar->selectedDate() != m_store.anchor())
        m_calendar->setSelectedDate(m_store.anchor());
    m_grid->sync();
    m_holidays->sync();
    m_waitingOffer->sync();
    m_calendarNotice->say(m_store.calendarFolderFailure());
    // The days without a copy grow while the program stays open.
    sayWhereBackupsGo();
    presentModals();
}

void CalvoraView::sayWhereBackupsGo()
{
    const SecondPlace* place = m_store.secondPlace();
    m_secondPlaceNotice->say(place ? place->notice() : std::nullopt);
}

void CalvoraView::presentModals()
{
    if (m_store.editing() && !m_editor && m_panels.appointmentEditor) {
        m_editor = m_panels.appointmentEditor(m_store, *m_store.editing(), this);
        m_editor->setAttribute(Qt::WA_DeleteOnClose);
        m_editor->setWindowModality(Qt::WindowModal);
        if (auto* editor = qobject_cast<AppointmentEditor*>(m_editor.data()))
            connect(editor, &AppointmentEditor::patientDataRequested, this,
                    [this, editor](const QString& patient) { showPatientData(patient, editor); });
        // However the sheet goes away, nothing stays in editing.
        connect(m_editor, &QDialog::finished, this, [this] {
            if (m_store.editing())
                m_store.setEditing(std::nullopt);
            focusGrid();
        });
        m_editor->open();
    } else if (!m_store.editing() && m_editor) {
        m_editor->close();
    }

    if (m_store.pendingDelete() && !m_confirming) {
        m_confirming = true;
        const Appointment a = *m_store.pendingDelete();
        Dialogs::open(this, deleteRequest(a), [this, a](int pressed) {
            m_confirming = false;
            m_store.setPendingDelete(std::nullopt);
            if (pressed == 1)
                m_store.deleteAppointment(a);
            focusGrid();
        });
    }

    if (m_store.alertMessage() && !m_alerting) {
        m_alerting = true;
        const DialogRequest alert =
            Dialogs::notice(QMessageBox::Warning, QStringLiteral("Attenzione"), *m_store.alertMessage());
        Dialogs::open(this, alert, [this](int) {
            m_alerting = false;
            m_store.setAlertMessage(std::nullopt);
            focusGrid();
        });
    }
}
