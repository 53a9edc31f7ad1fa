#pragma once

#include "Appointment.h"
#include "Dentist.h"
#include "ViewMode.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

// The one application state of the program, observed by every view. It is the only code that runs
// appointment and dentist SQL. Every assignment of a published field (also of an equal value) emits
// changed(). Operations that can answer in place return an Italian message, absent on success.
class Store : public QObject {
    Q_OBJECT

public:
    // Loads the dentists, the practice name and the week of today (the next Monday at a weekend).
    explicit Store(Database& db, QObject* parent = nullptr);

    [[nodiscard]] Database& db() const { return m_db; }

    // Published state.
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    [[nodiscard]] const QString& studioName() const { return m_studioName; }
    // Monday to Friday of the week holding anchor, in both modes, sorted by day and start.
    [[nodiscard]] const QList<Appointment>& weekAppointments() const { return m_weekAppointments; }
    // The day on show (day mode) or a day of the week on show; always a working day.
    [[nodiscard]] QDate anchor() const { return m_anchor; }
    void setAnchor(const QDate& anchor);
    [[nodiscard]] ViewMode mode() const { return m_mode; }
    void setMode(ViewMode mode);
    // While present the appointment editor is shown.
    [[nodiscard]] const std::optional<Appointment>& editing() const { return m_editing; }
    void setEditing(const std::optional<Appointment>& appointment);
    // While present the delete confirmation is shown.
    [[nodiscard]] const std::optional<Appointment>& pendingDelete() const { return m_pendingDelete; }
    void setPendingDelete(const std::optional<Appointment>& appointment);
    // While present the "Attenzione" alert is shown.
    [[nodiscard]] const std::optional<QString>& alertMessage() const { return m_alertMessage; }
    void setAlertMessage(const std::optional<QString>& message);

    // Loading and navigation.
    void loadSettings();
    void reload();
    // Appointments whose day key lies between two keys, by day then start. Throws DatabaseError.
    [[nodiscard]] QList<Appointment> fetchAppointments(const QString& fromKey, const QString& toKey);
    [[nodiscard]] QString title() const;
    [[nodiscard]] QList<QDate> visibleDays() const;
    void step(int delta);
    // Moves the agenda to a date (a weekend shows the following Monday) and reloads.
    void showDate(const QDate& date);
    [[nodiscard]] QList<Appointment> appointments(const QDate& day, qint64 dentistId) const;
    [[nodiscard]] std::optional<Dentist> dentist(qint64 id) const;

    // Booking.
    void newAppointment(std::optional<QDate> day = std::nullopt, std::optional<qint64> dentistId = std::nullopt,
                        std::optional<int> start = std::nullopt);
    // The first booking rule the appointment breaks; absent also when the overlap check cannot be read.
    [[nodiscard]] std::optional<QString> validate(const Appointment& appointment);
    // Trims, validates and writes in one immediate transaction (also against other programs on the same
    // file); absent on success. A database failure, including one of the overlap check, gives
    // "Errore durante il salvataggio: " + SQLite's text and writes nothing.
    std::optional<QString> save(const Appointment& appointment);
    // Removes the stored row and reloads; a failure leaves "Errore durante l'eliminazione: …" in
    // alertMessage even when the reload fails too.
    void deleteAppointment(const Appointment& appointment);
    bool move(qint64 id, const QDate& day, qint64 dentistId, int start);

    // Search, suggestions and settings.
    // Up to 200 appointments whose patient, phone or treatment is LIKE "%text%" (text trimmed, at least
    // two characters), newest first; empty on failure. A text that extends the previous one, when that
    // one found fewer than 200, is judged only on those earlier matches (the same rows, fewer reads).
    [[nodiscard]] QList<Appointment> search(const QString& text);
    // The practice's 25 most used treatments, then the defaults, without repeats (ignoring case). The
    // counts are kept in the connection's temporary database from the first call on (TreatmentTally).
    [[nodiscard]] QStringList treatmentSuggestions();
    [[nodiscard]] static const QStringList& defaultTreatments();
    std::optional<QString> saveSettings(const QString& studioName, const QList<Dentist>& dentists);
    std::optional<QString> updateDentist(const Dentist& dentist);

signals:
    void changed();

private:
    // Identifies the database's content as this connection sees it; absent when it cannot be read.
    struct ChangeMark {
        quint64 connection = 0;
        qint64 ownChanges = 0;
        qint64 dataVersion = 0;
        bool operator==(const ChangeMark&) const = default;
    };
    [[nodiscard]] std::optional<ChangeMark> changeMark();
    [[nodiscard]] QList<Appointment> narrowedSearch(const QList<Appointment>& candidates, const QString& pattern);
    [[nodiscard]] std::optional<QString> ruleMessage(const Appointment& a) const;
    [[nodiscard]] std::optional<QString> conflictMessage(const Appointment& a);
    void setWeekAppointments(const QList<Appointment>& appointments);

    Database& m_db;
    QList<Dentist> m_dentists;
    QString m_studioName;
    QList<Appointment> m_weekAppointments;
    QDate m_anchor;
    ViewMode m_mode = ViewMode::Week;
    std::optional<Appointment> m_editing;
    std::optional<Appointment> m_pendingDelete;
    std::optional<QString> m_alertMessage;
    // The last search whose result held every match (fewer than the limit), with its text in the case
    // LIKE compares (A to Z folded) and the database content it was run on.
    static constexpr qsizetype searchLimit = 200;
    struct LastSearch {
        ChangeMark mark;
        QString folded;
        QList<Appointment> results;
    };
    std::optional<LastSearch> m_lastSearch;
};
