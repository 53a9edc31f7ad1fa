#pragma once

#include "ConfirmationPanel.h"
#include "SettingsView.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class BackupRestore;
class CalendarFolder;
class CalvoraView;
class DatabaseError;
class LogCheck;
class OperatorChoice;
class QThread;
class SettingsView;
class Store;

// The application shell: the one Store of the process, the agenda window and (on demand) the settings
// window, wired together. The application quits when its last window closes.
class CalvoraApp : public QObject {
    Q_OBJECT

public:
    explicit CalvoraApp(QObject* parent = nullptr);
    ~CalvoraApp() override;

    // Created at the first call, on Bootstrap::archive(); that first call may end the process with
    // one of the start-up alerts.
    [[nodiscard]] Store& store();
    // The agenda window, built at the first call with its initial size.
    [[nodiscard]] CalvoraView& agendaWindow();
    // The one settings window, shown and raised.
    void showSettings();
    [[nodiscard]] SettingsView* settingsWindow() const { return m_settings; }
    // The one list of the appointments to confirm, shown and raised.
    void showConfirmations();
    [[nodiscard]] ConfirmationPanel* confirmationsWindow() const { return m_confirmations; }
    // "Ripristina da backup…": the list of the backups, over the agenda window.
    void showBackups();
    // The backups' list and the looks into them (made at the first showBackups).
    [[nodiscard]] BackupRestore* backups() const { return m_backups.get(); }
    // Restores the whole archive from a plain backup file: on a file archive here (every window closed,
    // the file replaced, the windows that were open built again, anonymisations made since applied again);
    // on a server in one transaction (Store::restoreServerFrom).
    void restoreWhole(const QString& plainPath, const QString& backupName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Anonymisations applied again after an older backup came back, and the retention applied once a day.
    void keepErasures();
    // Copies the day's backup to this computer's second place when it has not arrived there yet.
    void keepSecondPlace();
    // The structure check Bootstrap left for later, on its own thread once the agenda window has first
    // painted (or two seconds after the start); a damaged file is then replaced by its newest sound
    // backup (or the program ends) and the windows are built again.
    void checkStructureLeft();
    void recoverFromDamage(const QString& path, const DatabaseError& fault);
    // Closes every window and object that uses the archive, the store last.
    void closeUsers();
    // The activity log's chain read whole beside the agenda (LogCheck).
    void checkLog();

    std::optional<QString> m_structureCheckLeft;
    std::unique_ptr<QThread> m_structureCheck;
    std::unique_ptr<Store> m_store;
    // Reads the activity log's chain beside the agenda; goes before the store.
    std::unique_ptr<LogCheck> m_logCheck;
    // Keeps the practice's calendar folder, when one is set; goes before the store.
    std::unique_ptr<CalendarFolder> m_calendars;
    // Remembers who works at this computer; goes before the store.
    std::unique_ptr<OperatorChoice> m_operatorChoice;
    // The backups' list and looks; they go before the store.
    std::unique_ptr<BackupRestore> m_backups;
    QPointer<CalvoraView> m_agenda;
    QPointer<SettingsView> m_settings;
    QPointer<ConfirmationPanel> m_confirmations;
};
