#pragma once

#include "PrintLayout.h"

#include <QObject>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class OperatorMenu;
class QWidget;
class Store;

// What the commands ask of the window and the application shell.
struct CommandHooks {
    std::function<void(PrintLayout layout, bool duplex)> print;
    std::function<void()> openSettings;
    std::function<void()> goToDate;      // shows or hides the date picker
    std::function<void()> searchPatient; // shows or hides the patient search
    std::function<void()> findFreeSlot;  // shows or hides the first-free-slot panel
    std::function<void()> showCancellations; // the cancellations of the days on show
    std::function<void()> showActivityLog;   // the activity log
    std::function<void()> confirmations; // shows the list of the appointments to confirm
    std::function<void()> openWaitingList;
    std::function<void()> openRecalls; // the patients to call back for a periodic visit
    std::function<void()> chooseOperator; // opens the operator menu where the receptionist sees it
    std::function<void()> restoreFromBackup; // the list of the backups, to look into one or restore it
};

// Every command of the agenda window, one QAction each, shared by the menu bar and the toolbar (text,
// shortcut, tooltip and enabled state are written once, here). Menus: "File" (new appointment, the three
// print jobs, settings), "Modifica" (undo, redo), "Vai" (today, previous/next, go to a date, search,
// first free slot, confirmations, cancellations, waiting list, recalls, day/week view) and "Aiuto" (user guide, about). Texts
// and enabled states follow the
// store: the stepping items read "Giorno …" in day view and "Settimana …" in week view; new, stepping,
// undo and redo are disabled while an appointment is being edited. A tooltip is the command's
// description followed by its own shortcut in the platform's notation. Every shortcut is an application
// shortcut, and the actions are also added to `window`, whose sheets (AppointmentEditor) adopt them so
// that Ctrl+T, Ctrl+1, Ctrl+2 and printing keep working while a sheet blocks the window. Owned by `window`.
class CalvoraCommands : public QObject {
    Q_OBJECT

public:
    CalvoraCommands(Store& store, QWidget* window, CommandHooks hooks);

    // Builds the menus into the bar.
    void buildMenus(QMenuBar* menuBar);

    [[nodiscard]] QAction* newAppointmentAction() const { return m_new; }
    [[nodiscard]] QAction* printWeekAction() const { return m_printWeek; }
    [[nodiscard]] QAction* printDuplexAction() const { return m_printDuplex; }
    [[nodiscard]] QAction* printDayAction() const { return m_printDay; }
    [[nodiscard]] QAction* settingsAction() const { return m_settings; }
    [[nodiscard]] QAction* restoreAction() const { return m_restore; }
    [[nodiscard]] QAction* undoAction() const { return m_undo; }
    [[nodiscard]] QAction* redoAction() const { return m_redo; }
    [[nodiscard]] QAction* todayAction() const { return m_today; }
    [[nodiscard]] QAction* previousAction() const { return m_previous; }
    [[nodiscard]] QAction* nextAction() const { return m_next; }
    [[nodiscard]] QAction* goToDateAction() const { return m_goToDate; }
    [[nodiscard]] QAction* searchAction() const { return m_search; }
    [[nodiscard]] QAction* freeSlotAction() const { return m_freeSlot; }
    [[nodiscard]] QAction* cancellationsAction() const { return m_cancellations; }
    [[nodiscard]] QAction* activityLogAction() const { return m_activityLog; }
    [[nodiscard]] QAction* confirmationsAction() const { return m_confirmations; }
    [[nodiscard]] QAction* waitingListAction() const { return m_waitingList; }
    [[nodiscard]] QAction* recallsAction() const { return m_recalls; }
    [[nodiscard]] QAction* dayViewAction() const { return m_dayView; }
    [[nodiscard]] QAction* weekViewAction() const { return m_weekView; }
    [[nodiscard]] QAction* guideAction() const { return m_guide; }
    [[nodiscard]] QAction* aboutAction() const { return m_about; }
    [[nodiscard]] QAction* quitAction() const { return m_quit; }
    // The toolbar's print button: its menu holds the three print commands.
    [[nodiscard]] QAction* printMenuAction() const { return m_printMenu; }
    // Who works at this computer ("Operatore: Anna"), shown only while the practice names operators.
    [[nodiscard]] OperatorMenu* operatorMenu() const { return m_operatorMenu; }

private:
    // For a store that is read only: the commands that write, print or leave the program are hidden.
    void keepToReading();
    QAction* command(const QString& title, const QKeySequence& shortcut, std::function<void()> action,
                     const QString& description = {});
    void followStore();

    Store& m_store;
    QWidget* m_window;
    QAction* m_new = nullptr;
    QAction* m_printWeek = nullptr;
    QAction* m_printDuplex = nullptr;
    QAction* m_printDay = nullptr;
    QAction* m_printMenu = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_restore = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_today = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_goToDate = nullptr;
    QAction* m_search = nullptr;
    QAction* m_freeSlot = nullptr;
    QAction* m_cancellations = nullptr;
    QAction* m_activityLog = nullptr;
    QAction* m_confirmations = nullptr;
    QAction* m_waitingList = nullptr;
    QAction* m_recalls = nullptr;
    QAction* m_dayView = nullptr;
    QAction* m_weekView = nullptr;
    QAction* m_guide = nullptr;
    QAction* m_about = nullptr;
    OperatorMenu* m_operatorMenu = nullptr;
};

// "Torna a oggi (Ctrl+T)": a description followed by the action's own first shortcut, if it has one.
[[nodiscard]] QString tipWithShortcut(const QString& description, const QAction* action);
