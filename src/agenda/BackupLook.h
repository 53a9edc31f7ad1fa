#pragma once

#include "Appointment.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CalvoraView;
class QAction;
class QTemporaryDir;
class Store;

// A backup opened to be looked into: the agenda window over a read-only copy of it, with week navigation
// and search, marked as a copy, and three commands of its own: "Copia nell'agenda" (the appointment under
// the cursor), "Copia il giorno nell'agenda" (every appointment of the cursor's day) and "Ripristina tutto
// l'archivio…". Copies go into today's agenda through its booking rules; refusals are listed. Owns the
// window, which it deletes first; it is deleted once the window closes.
class BackupLook : public QObject {
    Q_OBJECT

public:
    struct Opened {
        std::shared_ptr<QTemporaryDir> folder; // where the copy lies; goes after the store
        std::unique_ptr<Store> store;          // read-only, over the copy
        QString backupName;                    // the backup's file name, for the log
        QString description;                   // "Copia di backup del … – sola lettura"
    };

    // `agenda` is today's agenda, which outlives this. `restoreWhole` is called (from the event loop,
    // after the question) when the receptionist asks for the whole archive to be restored.
    BackupLook(Store& agenda, Opened opened, std::function<void()> restoreWhole, QObject* parent = nullptr);
    ~BackupLook() override;

    [[nodiscard]] CalvoraView* window() const { return m_window; }
    [[nodiscard]] Store& copy() const { return *m_opened.store; }
    [[nodiscard]] QAction* copyAppointmentAction() const { return m_copyAppointment; }
    [[nodiscard]] QAction* copyDayAction() const { return m_copyDay; }
    [[nodiscard]] QAction* restoreAction() const { return m_restore; }

    // The appointment under the grid's cursor, if any; the day of the cursor (the day on show in day view).
    [[nodiscard]] std::optional<Appointment> selected() const;
    [[nodiscard]] QDate selectedDay() const;

    void copySelected();
    void copyDay();
    void restoreAll();

private:
    void buildCommands();
    void copyIn(const QList<Appointment>& appointments);

    Store& m_agenda;
    Opened m_opened;
    std::function<void()> m_restoreWhole;
    QPointer<CalvoraView> m_window;
    QAction* m_copyAppointment = nullptr;
    QAction* m_copyDay = nullptr;
    QAction* m_restore = nullptr;
};
