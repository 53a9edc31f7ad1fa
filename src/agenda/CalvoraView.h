#pragma once

#include "Appointment.h"
#include "Dentist.h"
#include "Dialogs.h"
#include "PrintLayout.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class CalvoraCommands;
class DentistHeader;
class HolidayNotice;
class Popover;
class QAction;
class QCalendarWidget;
class QDialog;
class QLabel;
class QToolButton;
class ScheduleGrid;
class Store;
class RecallListWindow;
class WaitingListPanel;
struct Recall;
class WaitingOfferBar;
class WarningLine;

// What the agenda window opens but does not build itself; the application shell supplies them.
struct AgendaPanels {
    // The appointment editor sheet for the appointment in Store::editing.
    std::function<QDialog*(Store&, const Appointment&, QWidget* parent)> appointmentEditor;
    // The patient search panel; close hides its popover.
    std::function<QWidget*(Store&, std::function<void()> close, QWidget* parent)> searchPanel;
    // The dentist editor, a popup window that the view shows under a dentist's header; close hides it.
    std::function<QWidget*(Store&, const Dentist&, std::function<void()> close, QWidget* parent)> dentistEditor;
    // Starts a print job of the store's current week or day.
    std::function<void(PrintLayout, bool duplex)> print;
    // Shows the settings window.
    std::function<void()> openSettings;
    // The first-free-slot panel; close hides its popover.
    std::function<QWidget*(Store&, std::function<void()> close, QWidget* parent)> freeSlotPanel;
    // Shows the window of the appointments to confirm.
    std::function<void()> confirmations;
    // Shows the list of the backups ("Ripristina da backup…").
    std::function<void()> restoreFromBackup;
};

// The agenda window: toolbar, title line with the count, and the schedule grid; at start, a line that
// offers the year's national holidays when they are not among the closed days; lines for the waiting
// list's offer and for a calendar folder this computer cannot keep. It also presents the editor sheet,
// the delete confirmation and the "Attenzione" alert, which follow Store::editing, Store::pendingDelete
// and Store::alertMessage.
class PatientDataWindow;

class CalvoraView : public QMainWindow {
    Q_OBJECT

public:
    CalvoraView(Store& store, AgendaPanels panels, QWidget* parent = nullptr);

    // The size the window opens at on a screen with room for it.
    static constexpr QSize preferredSize{1440, 900};
    // Sizes and places the window for a screen whose free area (without the desktop's panels) is
    // `available`: its preferred size where that fits, else as much of the area as there is, and inside
    // the area with room above for the window's title bar.
    void fitInto(const QRect& available);

    [[nodiscard]] ScheduleGrid* grid() const { return m_grid; }
    [[nodiscard]] QString countText() const;
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* countLabel() const { return m_count; }
    // The line that offers the year's national holidays as closed days.
    [[nodiscard]] HolidayNotice* holidayNotice() const { return m_holidays; }
    // The line that says the practice's calendar folder could not be kept.
    [[nodiscard]] WarningLine* calendarNotice() const { return m_calendarNotice; }
    [[nodiscard]] WarningLine* secondPlaceNotice() const { return m_secondPlaceNotice; }
    // For a read-only store: the window shows a copy, named in its title and in a line above the agenda.
    void showAsCopy(const QString& description);
    [[nodiscard]] WarningLine* copyNotice() const { return m_copyNotice; }
    // The line that offers a freed start to the waiting list.
    [[nodiscard]] WaitingOfferBar* waitingOffer() const { return m_waitingOffer; }
    // The waiting list's window, once opened.
    [[nodiscard]] WaitingListPanel* waitingList() const;
    [[nodiscard]] RecallListWindow* recallList() const;
    void openWaitingList();
    void openRecalls();
    // The first free time for a patient of the recall list, whom the editor then books.
    void bookRecall(const Recall& recall, int durationMinutes);
    // The window's commands, shared by its menu bar and its toolbar.
    [[nodiscard]] CalvoraCommands* commands() const { return m_commands; }
    [[nodiscard]] QAction* previousAction() const;
    [[nodiscard]] QAction* todayAction() const;
    [[nodiscard]] QAction* nextAction() const;
    [[nodiscard]] QToolButton* dayButton() const { return m_dayButton; }
    [[nodiscard]] QToolButton* weekButton() const { return m_weekButton; }
    [[nodiscard]] QToolButton* dateButton() const { return m_dateButton; }
    [[nodiscard]] QToolButton* searchButton() const { return m_searchButton; }
    [[nodiscard]] QToolButton* printButton() const { return m_printButton; }
    [[nodiscard]] QToolButton* newButton() const { return m_newButton; }
    [[nodiscard]] QToolButton* freeSlotButton() const { return m_freeSlotButton; }
    // "Operatore: Anna", shown while the practice names operators.
    [[nodiscard]] QToolButton* operatorButton() const { return m_operatorButton; }
    // Opens the operators' menu under its button (over the window when the bar has no room for it).
    void chooseOperator();
    // Shown at the end of the toolbar when the window is too narrow for all its commands: a click shows
    // the ones that do not fit below the bar.
    [[nodiscard]] QToolButton* overflowButton() const { return m_overflowButton; }
    [[nodiscard]] Popover* freeSlotPopover() const { return m_freeSlotPopover; }
    [[nodiscard]] Popover* datePopover() const { return m_datePopover; }
    [[nodiscard]] QCalendarWidget* datePicker();
    [[nodiscard]] Popover* searchPopover() const { return m_searchPopover; }
    [[nodiscard]] QDialog* editor() const { return m_editor; }
    [[nodiscard]] QWidget* dentistEditor() const { return m_dentistEditor; }

    // The question asked before an appointment is deleted from the agenda.
    [[nodiscard]] static DialogRequest deleteRequest(const Appointment& a);

    void toggleDatePicker();
    void toggleSearch();
    void toggleFreeSlots();
    // Opens "Disdette" (CancellationsPanel) over the window.
    void showCancellations();
    // Opens "Registro attività" (ActivityLogWindow) beside the agenda.
    void showActivityLog();
    void openDentistEditor(DentistHeader* header);
    // Opens "Dati del paziente" for the name, window-modal over `over` (the editor that asked), or over
    // this window when null. Answers the window (deleted when closed).
    PatientDataWindow* showPatientData(const QString& patient, QWidget* over = nullptr);

signals:

private:
    void buildToolbar();
    void refresh();
    void presentModals();
    // The line about this computer's second place for backups (none without one).
    void sayWhereBackupsGo();
    // The grid takes the keyboard back whenever a sheet, an alert or a panel over it closes.
    void focusGrid();
    void print(PrintLayout layout, bool duplex);

    Store& m_store;
    AgendaPanels m_panels;
    ScheduleGrid* m_grid;
    QLabel* m_title;
    QLabel* m_count;
    HolidayNotice* m_holidays;
    WaitingOfferBar* m_waitingOffer;
    WarningLine* m_calendarNotice;
    WarningLine* m_secondPlaceNotice;
    WarningLine* m_copyNotice;
    QString m_copyTitle;
    QPointer<WaitingListPanel> m_waitingList;
    QPointer<RecallListWindow> m_recalls;
    CalvoraCommands* m_commands = nullptr;
    QToolButton* m_dayButton = nullptr;
    QToolButton* m_weekButton = nullptr;
    QToolButton* m_dateButton = nullptr;
    QToolButton* m_searchButton = nullptr;
    QToolButton* m_printButton = nullptr;
    QToolButton* m_newButton = nullptr;
    QToolButton* m_freeSlotButton = nullptr;
    QToolButton* m_operatorButton = nullptr;
    QToolButton* m_overflowButton = nullptr;
    Popover* m_datePopover = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    Popover* m_searchPopover = nullptr;
    Popover* m_freeSlotPopover = nullptr;
    QPointer<QWidget> m_dentistEditor;
    QPointer<QDialog> m_editor;
    bool m_confirming = false;
    bool m_alerting = false;
};
