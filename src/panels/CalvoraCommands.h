#pragma once

#include "PrintLayout.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class Store;

// The menu commands of the agenda window, built into its menu bar: "File" (new appointment, the
// three print jobs, settings), "Vai" (today, previous/next, day/week view) and "Aiuto" (user guide,
// about). Titles and enabled states follow the store: the stepping items read "Giorno …" in day view
// and "Settimana …" in week view; "Nuovo appuntamento" and the stepping items are disabled while an
// appointment is being edited. Every shortcut is an application shortcut, and the actions are also
// added to `window`, whose sheets (AppointmentEditor) adopt them so that Ctrl+T, Ctrl+1, Ctrl+2 and
// printing keep working while a sheet blocks the window. Owned by `window`.
class CalvoraCommands : public QObject {
    Q_OBJECT

public:
    using PrintJob = std::function<void(PrintLayout layout, bool duplex)>;

    CalvoraCommands(Store& store, QMenuBar* menuBar, QWidget* window, PrintJob print,
                    std::function<void()> openSettings);

    [[nodiscard]] QAction* newAppointmentAction() const { return m_new; }
    [[nodiscard]] QAction* printWeekAction() const { return m_printWeek; }
    [[nodiscard]] QAction* printDuplexAction() const { return m_printDuplex; }
    [[nodiscard]] QAction* printDayAction() const { return m_printDay; }
    [[nodiscard]] QAction* settingsAction() const { return m_settings; }
    [[nodiscard]] QAction* todayAction() const { return m_today; }
    [[nodiscard]] QAction* previousAction() const { return m_previous; }
    [[nodiscard]] QAction* nextAction() const { return m_next; }
    [[nodiscard]] QAction* dayViewAction() const { return m_dayView; }
    [[nodiscard]] QAction* weekViewAction() const { return m_weekView; }
    [[nodiscard]] QAction* guideAction() const { return m_guide; }
    [[nodiscard]] QAction* aboutAction() const { return m_about; }
    [[nodiscard]] QAction* quitAction() const { return m_quit; }

private:
    QAction* addCommand(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                        std::function<void()> action);
    void followStore();

    Store& m_store;
    QWidget* m_window;
    QAction* m_new = nullptr;
    QAction* m_printWeek = nullptr;
    QAction* m_printDuplex = nullptr;
    QAction* m_printDay = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_today = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_dayView = nullptr;
    QAction* m_weekView = nullptr;
    QAction* m_guide = nullptr;
    QAction* m_about = nullptr;
};
