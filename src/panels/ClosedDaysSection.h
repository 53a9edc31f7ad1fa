#pragma once

#include "Appointment.h"
#include "ClosedDays.h"
#include "FormSection.h"

#include <QList>

#include <optional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Store;

// The settings window's "Chiusure dello studio": the practice's closed days and periods, each with an
// optional reason, in date order. Adding a period (from–to and reason; Return in the reason adds it too),
// removing the selected one or adding the year's public holidays saves at once through the store, like
// the rest of the window; closing days that hold appointments asks first, listing them. Changes made
// elsewhere (another computer) refresh the list; a message stays only until the input changes.
class ClosedDaysSection : public FormSection {
    Q_OBJECT

public:
    ClosedDaysSection(Store& store, QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* list() const { return m_list; }
    // The last save error, or what the last action could not do; absent when all went well.
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }

    void addPeriod();
    void removeSelected();
    // The Italian public holidays of the year of the "Dal" day that are not closed yet.
    void addHolidays();

    // "mar 8 dic 2026 · Immacolata Concezione", "dal 3 ago al 21 ago 2026 · Ferie estive".
    [[nodiscard]] static QString describe(const ClosedPeriod& period);
    // Before days that hold appointments are closed: asks, listing them, whether to go on (true at once
    // when there are none). The one question for every way of closing days.
    [[nodiscard]] static bool confirmClosingOver(QWidget* parent, const Store& store,
                                                 const QList<Appointment>& appointments);

private:
    // Adds the periods to the stored ones, once the receptionist agrees to leave the appointments on
    // their days (if any); answers whether they were saved.
    bool addClosures(const QList<ClosedPeriod>& added);
    void save(const QList<ClosedPeriod>& periods);
    void showPeriods();
    void setMessage(const std::optional<QString>& message);

    Store& m_store;
    QList<ClosedPeriod> m_shown;
    // The "Dal" day before its latest change.
    QDate m_fromShown;
    std::optional<QString> m_message;
    QListWidget* m_list = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_reason = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_holidays = nullptr;
    QLabel* m_messageLabel = nullptr;
};
