#pragma once

#include "ActivityEntry.h"
#include "BookingTypes.h"
#include "Appointment.h"
#include "ClosedDays.h"
#include "DayStatus.h"
#include "Dentist.h"
#include "KnownPatient.h"
#include "PatientRecord.h"
#include "Recall.h"
#include "RecallSettings.h"
#include "ViewMode.h"
#include "WaitingEntry.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class AgendaArchive;
class AgendaReader;
struct AnonymiseScope;
class BackgroundReader;
class SecondPlace;
class RestoreProof;
class QTimer;
class QUndoStack;

// The one application state of the program, observed by every view, and the only way to the archive
// that keeps the agenda. Every assignment of a published field (also of an equal value) emits
// changed(). Operations that can answer in place return an Italian message, absent on success.
class Store : public QObject {
    Q_OBJECT

public:
    // Loads the dentists, the practice name and the week of today (the next Monday at a weekend). The
    // archive outlives the store.
    explicit Store(AgendaArchive& archive, QObject* parent = nullptr);
    // The same over an archive the store keeps for itself (a backup opened to be looked into).
    explicit Store(std::unique_ptr<AgendaArchive> archive, QObject* parent = nullptr);
    ~Store() override;

    // A store over a copy of a backup, for looking only: no editor, delete question or new appointment
    // opens (setEditing, setPendingDelete and newAppointment leave nothing pending), a move, a save and a
    // status change are refused with readOnlyText(), and no holidays are offered. Its archive refuses any
    // other write as well.
    [[nodiscard]] bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    [[nodiscard]] static QString readOnlyText();
    // Books copies of appointments of a backup (`backupName`) into this agenda, each through the booking
    // rules as a new appointment with its own undo step; the log records each under the act 'from-backup'
    // and, once, which backup they came from and how many were copied. Answers one line per refusal
    // ("lun 21 apr 2025 10:00 Anna Verdi – Dentista 1: <why>"); empty when all were copied.
    QStringList copyFromBackup(const QList<Appointment>& appointments, const QString& backupName);

    // Where the agenda is kept: on a server shared by several computers, or in the data folder's file.
    [[nodiscard]] bool onServer() const;
    // The database file's path, or the server, database and user.
    [[nodiscard]] QString archiveLocation() const;
    // Takes an on-demand backup and returns its path; it is then copied to the second place, if any, on
    // a worker thread. Throws DatabaseError.
    QString backupNow();
    // Where this computer copies its backups; null when the program keeps no second place (a command).
    [[nodiscard]] SecondPlace* secondPlace() const { return m_secondPlace.get(); }
    void setSecondPlace(std::unique_ptr<SecondPlace> place);
    // This computer's proofs that the second place's copies restore; null when the program keeps none.
    [[nodiscard]] RestoreProof* restoreProof() const { return m_restoreProof.get(); }
    void setRestoreProof(std::unique_ptr<RestoreProof> proof);
    // Records a practice-level act in the activity log (a print, an export, a backup): its kind, what it
    // was about, its facts and the personal texts it involved. Answers the failure's text, if any.
    std::optional<QString> logEvent(const QString& action, const QString& target, const QJsonObject& details,
                                    const QJsonObject& personal = {});
    // How many backups are kept (the newest).
    static constexpr int keptBackups = 60;

    // The patient's erasure: the patient's name, telephone, treatment and notes (the same name in any
    // letter case; with `phones`, only in the records with one of those telephones, "" for none) replaced
    // by the anonymised text in the agenda, the cancelled appointments, the waiting list, the recalls and
    // the log, in one transaction, and remembered (setErasureMemory). Not in the undo history, which is emptied: its
    // changes hold the old texts. Answers the failure's text; `reached` gets how many records changed.
    std::optional<QString> anonymisePatient(const QString& patient, const QStringList& phones,
                                            qsizetype* reached = nullptr);
    // The file that remembers the anonymisations (ErasureMemory); none until set.
    void setErasureMemory(const QString& path);
    // Anonymises again what the memory holds and the archive no longer shows anonymised (an older backup
    // came back), before the agenda opens; each time one logged act. First the memory learns the
    // anonymisations the log tells of (another computer's too), as it does whenever another program's
    // change arrives (refreshIfChangedElsewhere). Answers the failure's text.
    std::optional<QString> reapplyErasures();
    // The whole restore of a server's agenda from one of its backup files (a plain one): first a backup of
    // the agenda as it is now (copied to the second place like any other), then the backup's agenda in its
    // place in one transaction, the log kept and recording the restore, the practice's operators and the
    // agenda's identity kept as they are; then the anonymisations made since are applied again, the undo
    // history is emptied and what is on show is read again (other computers reload as after any change).
    // Absent on success; otherwise what happened, in Italian (the agenda then is as it was, unless the
    // text says that only the anonymisations failed).
    std::optional<QString> restoreServerFrom(const QString& backupFile);
    // The practice settings a whole restore keeps as they are now, on the file as on the server.
    [[nodiscard]] static const QStringList& keptThroughRestore();
    // Retention: after how many years appointments, cancelled ones, waiting entries and recalls are
    // anonymised; absent (the default) for never. The getter throws DatabaseError.
    [[nodiscard]] std::optional<int> retentionYears();
    std::optional<QString> setRetentionYears(std::optional<int> years);
    // At most once a day (the clock's): anonymises what lies beyond the retention, if one is set.
    std::optional<QString> applyRetentionIfDue();

    // From now on searches, known patients and treatment suggestions are answered from a copy in memory
    // of what they read, built on a worker thread (the archive answers as before until it is ready, and
    // again whenever another program's change makes it stale; the answers are the same). wait blocks
    // until the copy is in use. Answers whether it is in use now.
    bool prepareSearch(bool wait = false);

    // Other programs on the same archive (another reception computer). From now on the archive is
    // asked every intervalMs, on this thread, whether someone else committed; then what is on show is
    // reloaded (refreshIfChangedElsewhere).
    void followArchive(int intervalMs = 500);
    // Reloads the dentists, the practice name and the week when another program changed the archive,
    // publishing only what differs (nothing repaints when nothing on show changed), then emits
    // changedElsewhere(). Never touches anchor, mode, editing, pendingDelete or alertMessage. Answers
    // whether there was a change. When the archive was replaced under this program (a backup restored by
    // another computer), says so once in alertMessage instead (replacedArchiveText) and stops following.
    bool refreshIfChangedElsewhere();

    // Published state.
    // Every dentist of the practice, retired ones included, by position.
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    // The days and periods the practice is closed.
    [[nodiscard]] const QList<ClosedPeriod>& closedPeriods() const { return m_closedPeriods; }
    [[nodiscard]] const QString& studioName() const { return m_studioName; }
    // Monday to Friday of the week holding anchor, in both modes, sorted by day and start.
    [[nodiscard]] const QList<Appointment>& weekAppointments() const { return m_weekAppointments; }
    // False while the week on show could not be read: weekAppointments() is then empty and tells nothing
    // of what is booked. The next reload, or the next look at the archive (followArchive), tries again.
    [[nodiscard]] bool weekLoaded() const { return m_weekLoaded; }
    // What the agenda says in place of a week (or, in day mode, a day) it could not read.
    [[nodiscard]] QString unloadedText() const;
    // What a list says in place of an answer the archive did not give.
    [[nodiscard]] static QString unansweredText();
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
    // Reads the dentists, the settings and the practice name. When they cannot be read, the last ones
    // read stay (and the rules with them), alertMessage says so and the next change check reads again.
    void loadSettings();
    // Reads the week on show. A failure empties it and marks it not loaded (weekLoaded()); the first
    // failure after a successful read also goes to alertMessage, the ones that follow it do not.
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
    // The dentists who work on at least one of the days (one column each), by position.
    [[nodiscard]] QList<Dentist> dentistsOn(const QList<QDate>& days) const;
    // The agenda's columns: dentistsOn(visibleDays()).
    [[nodiscard]] QList<Dentist> visibleDentists() const { return dentistsOn(visibleDays()); }
    // The closed period that holds the day, if any.
    [[nodiscard]] std::optional<ClosedPeriod> closedPeriodOn(const QDate& day) const;
    // Why nothing can be booked with a dentist on a day (the practice is closed, the dentist no longer
    // works there, or the week on show could not be read), in the words of the booking rule; absent when
    // the day is open for booking.
    [[nodiscard]] std::optional<QString> closedMessage(const QDate& day, qint64 dentistId) const;

    // Booking.
    void newAppointment(std::optional<QDate> day = std::nullopt, std::optional<qint64> dentistId = std::nullopt,
                        std::optional<int> start = std::nullopt, std::optional<int> duration = std::nullopt);
    // The first booking rule the appointment breaks; absent also when the overlap check cannot be read.
    [[nodiscard]] std::optional<QString> validate(const Appointment& appointment);
    // Trims, validates and writes in one immediate transaction (also against other programs on the same
    // file); absent on success. A database failure, including one of the overlap check, gives
    // "Errore durante il salvataggio: " + SQLite's text and writes nothing.
    std::optional<QString> save(const Appointment& appointment);
    // Removes the stored row, only while it still equals `appointment` (what the user saw), and reloads.
    // A row changed elsewhere meanwhile stays and alertMessage says what changed; a failure leaves
    // "Errore durante l'eliminazione: …" there, even when the reload fails too.
    void deleteAppointment(const Appointment& appointment);
    bool move(qint64 id, const QDate& day, qint64 dentistId, int start);
    // The save of an editor that opened `opened`: refused with ChangedElsewhere, writing nothing, when the
    // stored row no longer equals it; otherwise as save(), with the reason of every refusal. Unlike save(),
    // it goes into the undo history, as do move() and deleteAppointment(). With `recall`, the appointment's
    // recall is set from it once the appointment is saved (a plan not set removes it), with the saved
    // patient and phone, in the same entry of the history.
    std::optional<SaveRefusal> saveEdited(const Appointment& draft, const Appointment& opened,
                                          const std::optional<RecallPlan>& recall = std::nullopt);
    // The appointment as stored now; absent when it was deleted. Throws DatabaseError.
    [[nodiscard]] std::optional<Appointment> storedAppointment(qint64 id);
    // What differs between two versions of an appointment, in Italian, e.g. "ora 10:30–11:00,
    // prestazione «Igiene orale»"; empty when nothing does.
    [[nodiscard]] QString changeDescription(const Appointment& before, const Appointment& after) const;
    // The sentences that say another program changed (from `before` to `after`) or deleted an appointment.
    [[nodiscard]] QString changedElsewhereText(const Appointment& before, const Appointment& after) const;
    [[nodiscard]] static QString deletedElsewhereText();
    [[nodiscard]] static QString restoredElsewhereText();
    // The alert of a program whose archive another computer replaced with a backup.
    [[nodiscard]] static QString replacedArchiveText();
    // "\nI posti liberi più vicini sono alle 09:30 e alle 11:00." (empty for no starts).
    [[nodiscard]] static QString alternativesText(const QList<int>& starts);

    // The appointment's life after booking. Each change answers absent on success, else the Italian
    // reason; it reloads the week, reaches the other computers and (but for restoreCancelled) goes into
    // the undo history.
    // The status of an appointment of the week on show, read with the week; awaiting confirmation with
    // no attempts when nothing is stored (or the appointment is not on show).
    [[nodiscard]] DayStatus status(qint64 id) const { return m_weekStatuses.value(id); }
    // The status of any appointment: as read with the week when it is on show, else as stored now;
    // absent when the archive did not answer.
    [[nodiscard]] std::optional<DayStatus> currentStatus(qint64 id);
    // Gives the appointment a status. Refused when it is no longer in the agenda.
    std::optional<QString> setStatus(qint64 id, AppointmentStatus status);
    // "Non risponde": one more call attempt, the status unchanged.
    std::optional<QString> recordCallAttempt(qint64 id);
    // Takes the appointment off the agenda, only while it is stored as `seen`, keeping it as cancelled
    // now by `by` for `reason` (late when less than 24 hours before its start): its slot is free.
    std::optional<QString> cancel(const Appointment& seen, CancelledBy by, const QString& reason = {});
    // The cancelled appointments of the days from `from` to `to`, by day and start; absent when the
    // archive did not answer.
    [[nodiscard]] std::optional<QList<Cancellation>> cancellations(const QDate& from, const QDate& to);
    // Puts a cancelled appointment back in its place through the booking rules (refused with their
    // message when the slot was taken, the day closed or the dentist retired meanwhile).
    std::optional<QString> restoreCancelled(qint64 id);

    // The activity log as the receptionist reads it; each read answers absent when the archive did not.
    // The entries about an appointment (its statuses, cancellation and restore included), oldest first.
    [[nodiscard]] std::optional<QList<ActivityEntry>> appointmentHistory(qint64 id);
    // Up to `limit` entries that pass the filter, newest first.
    [[nodiscard]] std::optional<QList<ActivityEntry>> activityPage(const LogFilter& filter, int limit);
    // Whether the entry took an appointment off the agenda (deleted it, or cancelled it), so that a
    // restore from it can be tried.
    [[nodiscard]] static bool restorableFrom(const ActivityEntry& entry);
    // Brings back the appointment that the entry took off the agenda: a deleted one is booked again under
    // its id with the values it had (at `start` instead of its own when given), a cancelled one goes
    // through restoreCancelled; both through the booking rules, refused with their reasons (and, for an
    // overlap, the nearest free starts). Logged as 'restore'; a deleted one's can be undone.
    std::optional<SaveRefusal> restoreFromEntry(const ActivityEntry& entry, std::optional<int> start = std::nullopt);
    // A line of the confirmation list: an appointment awaiting confirmation (or already called), its
    // status and its dentist's name.
    struct ToConfirm {
        Appointment appointment;
        DayStatus status;
        QString dentist;
    };
    // The day's appointments still to confirm (status "Da confermare", or called without an answer), by
    // start and column; absent when the archive did not answer.
    [[nodiscard]] std::optional<QList<ToConfirm>> appointmentsToConfirm(const QDate& day);
    // Every appointment of the day (cancelled ones have left the agenda) as a line of that list, in the
    // same order; absent when the archive did not answer.
    [[nodiscard]] std::optional<QList<ToConfirm>> dayLines(const QDate& day);
    // The first day after `day` on which the practice works: no weekend, no closed day.
    [[nodiscard]] QDate nextOpenDay(const QDate& day) const;
    // The practice's own template of the reminder messages; absent while none is stored. Throws
    // DatabaseError.
    [[nodiscard]] std::optional<QString> reminderTemplate();
    // Stores the template for every computer of the practice; a blank one removes it.
    std::optional<QString> setReminderTemplate(const QString& text);
    // How many times the patient (the same name, and the same phone when given) did not come and
    // cancelled late from `since` on; absent when the archive did not answer.
    [[nodiscard]] std::optional<BrokenAppointments> missedAndLateCancelled(const QString& patient, const QString& phone,
                                                                          const QDate& since);
    // Everything the agenda keeps under the patient's name (trimmed; any letter case): appointments with
    // their statuses, cancelled ones, waiting-list entries, each with its log entries; named as the newest
    // of them writes the name (as given when there is none). Throws DatabaseError.
    [[nodiscard]] PatientRecord patientRecord(const QString& name);
    // Whether cancelling at `at` is less than 24 hours before the appointment's start.
    [[nodiscard]] static bool isLateCancellation(const Appointment& a, const QDateTime& at);

    // Finding time for a patient on the phone.
    // The first `count` free starts that fit the search, by day, start and dentist, from the search's
    // day on (never in the past), as many weeks ahead as needed (up to five years). Absent when the
    // archive cannot be read.
    [[nodiscard]] std::optional<QList<FreeSlot>> freeSlots(const SlotSearch& search, int count = 10);
    // The nearest free starts of a's dentist on a's day before and after a's start at which a's
    // duration fits (a itself not counted), ascending; past times of today are left out.
    [[nodiscard]] QList<int> nearestFreeStarts(const Appointment& a);
    // The patients whose name holds the text (at least two characters, as search), the most recently
    // seen first. Throws DatabaseError when the archive does not answer.
    [[nodiscard]] QList<KnownPatient> knownPatients(const QString& text, int limit = 8);
    // The same, as search(text, receiver, answer) answers (absent: the archive did not answer).
    void knownPatients(const QString& text, const QObject* receiver,
                       std::function<void(const std::optional<QList<KnownPatient>>&)> answer, int limit = 8);

    // The waiting list: patients who want an earlier (or any) appointment. Its changes reach the other
    // computers but stay out of the undo history.
    // Every entry, oldest first; absent when the archive did not answer.
    [[nodiscard]] std::optional<QList<WaitingEntry>> waitingList();
    // Adds the entry (id 0) or changes the stored one, its texts trimmed and an unset first day read as
    // today; absent on success, else the Italian reason (nothing written).
    std::optional<QString> saveWaitingEntry(const WaitingEntry& entry);
    std::optional<QString> removeWaitingEntry(qint64 id);
    // The entries that could be booked at the free start `slot`: the dentist theirs (or any), the day
    // within their days and weekdays, open and not past, and their duration free from that start on
    // within their part of the day (judged as freeSlots judges). Absent when the archive did not answer.
    [[nodiscard]] std::optional<QList<WaitingEntry>> matchesFor(const FreeSlot& slot);
    // A start freed in the week on show (a cancellation, a delete, a move, here or on another computer)
    // that entries of the waiting list fit; published like the rest, it goes when nothing fits it any more.
    struct WaitingOffer {
        FreeSlot slot;
        QList<WaitingEntry> entries;
        bool operator==(const WaitingOffer&) const = default;
    };
    [[nodiscard]] const std::optional<WaitingOffer>& waitingOffer() const { return m_waitingOffer; }
    void dismissWaitingOffer();
    // Shows the slot's day and opens the editor on a new appointment there with the entry's patient,
    // phone and duration; once that booking is saved the entry leaves the list.
    void bookFromWaitingList(const WaitingEntry& entry, const FreeSlot& slot);
    // "mar 9 dic 10:00 (Dentista 1)".
    [[nodiscard]] QString slotText(const FreeSlot& slot) const;

    // Recalls: the patients to call back for a periodic visit, each set with an appointment in the editor.
    // The practice's choices (kinds, treatment defaults, consent); throws DatabaseError.
    [[nodiscard]] RecallSettings recallSettings();
    std::optional<QString> setRecallSettings(const RecallSettings& settings);
    // The practice's own recall message template; absent while none is stored. Throws DatabaseError.
    [[nodiscard]] std::optional<QString> recallTemplate();
    std::optional<QString> setRecallTemplate(const QString& text);
    // The recall an appointment set; absent when none. Throws DatabaseError.
    [[nodiscard]] std::optional<Recall> recallOf(qint64 appointmentId);
    // The list of `month`: open recalls due in it or overdue, not paused, not marked "do not call" and
    // agreed to, oldest first; absent when the archive did not answer.
    [[nodiscard]] std::optional<QList<Recall>> recallList(const QDate& month);
    // The list's actions, each checked against the recall as stored and undoable: a call without an
    // answer (counted, with its moment), a pause of some days from today, "do not call".
    std::optional<QString> recallNotAnswered(const Recall& recall);
    std::optional<QString> postponeRecall(const Recall& recall, int days);
    std::optional<QString> stopRecall(const Recall& recall);
    // Opens the editor's next new appointment (newAppointment) with the patient's name and phone: a booking
    // from the recall list through "Primo posto libero".
    void bookForRecall(const Recall& recall);

    // Undo and redo of the editor's saves and copies, moves and deletes (the newest 100). Undoing and
    // redoing go through the booking rules like any change; a refusal goes to alertMessage and leaves
    // the history as it was. The texts read "Annulla …" / "Ripeti …".
    [[nodiscard]] bool canUndo() const;
    [[nodiscard]] bool canRedo() const;
    [[nodiscard]] QString undoText() const;
    [[nodiscard]] QString redoText() const;
    void undo();
    void redo();

    // Search, suggestions and settings.
    // Up to 200 appointments whose patient, phone or treatment is LIKE "%text%" (text trimmed, at least
    // two characters), newest first. This one and the next keep the thread waiting and throw
    // DatabaseError when the archive does not answer (for checks and measurements: the window asks the
    // questions below).
    [[nodiscard]] QList<Appointment> search(const QString& text);
    // The practice's 25 most used treatments, then the defaults, without repeats (ignoring case).
    [[nodiscard]] QStringList treatmentSuggestions();
    // The same two without keeping this thread waiting while the whole agenda is read: `answer` gets
    // them at once when memory holds them (see prepareSearch), else later, on this thread, from a worker
    // thread's own connection (the same answer, as it stands when the worker reads). This thread never
    // connects for them. Of each kind only the newest question is answered (one under way on the worker
    // is stopped), and none once `receiver` is destroyed. A search the archive did not answer is absent;
    // treatments then are the defaults alone.
    void search(const QString& text, const QObject* receiver,
                std::function<void(const std::optional<QList<Appointment>>&)> answer);
    void treatmentSuggestions(const QObject* receiver, std::function<void(const QStringList&)> answer);
    [[nodiscard]] static const QStringList& defaultTreatments();
    std::optional<QString> saveSettings(const QString& studioName, const QList<Dentist>& dentists);
    std::optional<QString> updateDentist(const Dentist& dentist);

    // The practice changes. Each answers absent on success, else the Italian reason; the result reaches
    // every view (and, through the archive, the other computers).
    // A new dentist at the right of the others, "Dentista <n>", in a colour no other dentist has.
    std::optional<QString> addDentist();
    // The dentist's column disappears from `from` on. Refused while the dentist has appointments from
    // that day on (the message counts them, `remaining` lists them), and for the last working dentist.
    std::optional<QString> retireDentist(qint64 id, const QDate& from, QList<Appointment>* remaining = nullptr);
    // A retired dentist works again.
    std::optional<QString> reinstateDentist(qint64 id);
    // The nearest dentist left (-1) or right (+1) of the dentist in dentists() whose column the agenda still
    // shows (who works today); absent when there is none that way.
    [[nodiscard]] std::optional<Dentist> nearestWorkingDentist(qint64 id, int step) const;
    // The two dentists exchange their places; every other dentist keeps its own.
    std::optional<QString> swapDentists(qint64 first, qint64 second);
    // Replaces the practice's closed days and periods. What another computer changed in them since this
    // store last read them is kept: only the periods added and removed here are applied.
    std::optional<QString> setClosedPeriods(const QList<ClosedPeriod>& periods);
    // The stored appointments on the days of the periods (each once), by day, start and column: what a
    // closure would leave on closed days. Throws DatabaseError.
    [[nodiscard]] QList<Appointment> appointmentsIn(const QList<ClosedPeriod>& periods);
    // "lun 21 apr 2025 10:00 Anna Verdi – Dentista 1": an appointment as a line of a list.
    [[nodiscard]] QString appointmentLine(const Appointment& a) const;

    // Encrypted copies. The public half of the practice's recovery key, which every copy to the second place
    // is encrypted with (one setting for the whole practice); absent while copies go plain. Throws
    // DatabaseError.
    [[nodiscard]] std::optional<QByteArray> recoveryPublicKey();
    // When that key was created; absent without one. Throws DatabaseError.
    [[nodiscard]] std::optional<QDateTime> recoveryKeyCreated();
    // Keeps a new public half (the secret half is never given to the store); absent on success. Recorded
    // in the activity log.
    std::optional<QString> setRecoveryPublicKey(const QByteArray& publicKey);

    // Calendar files. The folder where every dentist's calendar is kept up to date, one setting for the
    // whole practice; empty when none is set. Throws DatabaseError.
    [[nodiscard]] QString calendarFolder();
    // Sets that folder (empty: none); absent on success.
    std::optional<QString> setCalendarFolder(const QString& folder);
    // Published: why this computer could not keep the folder's files at its last try (the folder gone,
    // refused or full); absent while it can, or when it does not keep them. Set by the folder's keeper.
    [[nodiscard]] const std::optional<QString>& calendarFolderFailure() const { return m_calendarFolderFailure; }
    void setCalendarFolderFailure(const std::optional<QString>& failure);
    // A random name this agenda receives once and keeps (also in its backups and its copy on a server),
    // which tells its appointments apart from those of any other agenda with the same ids. Throws
    // DatabaseError.
    [[nodiscard]] QString agendaIdentity();

    // The practice's operators, in its order: who may work at a computer, named once for all of them. Empty
    // (the default) when the practice names none; the log then records only the computer and its account.
    [[nodiscard]] const QStringList& operators() const { return m_operators; }
    // Stores the list for every computer (names trimmed; blank ones and repeats, ignoring case, left out).
    std::optional<QString> setOperators(const QStringList& names);
    // Who works at this computer: one of operators(), or empty for nobody chosen. Every later entry of the
    // activity log carries it. An operator removed from the list (here or elsewhere) leaves nobody chosen.
    [[nodiscard]] const QString& currentOperator() const { return m_currentOperator; }
    // Chooses one of operators(); any other name (the empty one too) chooses nobody.
    void setCurrentOperator(const QString& name);

    // The present year, while some of its national holidays are not among the closed days and the offer
    // to add them has not been turned down for that year; absent otherwise.
    [[nodiscard]] std::optional<int> holidayOffer() const;
    // Adds the year's national holidays that are not among the closed days yet.
    std::optional<QString> addHolidays(int year);
    // Turns the offer down for the year. Kept in the archive, so no computer of the practice offers
    // that year's holidays again.
    std::optional<QString> declineHolidays(int year);

signals:
    void changed();
    // An appointment that the user moved now lies here: a move, an edit of its day, dentist or start,
    // or the undo or redo of one. Sent after the reload that shows it.
    void placed(const Appointment& appointment);
    // Another program changed the archive; what is on show has been reloaded.
    void changedElsewhere();
    // This program changed the waiting list (an entry saved or removed, or booked from the offer).
    void waitingListChanged();
    // A recall changed, here or (after the reload) on another computer.
    void recallsChanged();

private:
    [[nodiscard]] std::optional<QString> ruleMessage(const Appointment& a) const;
    [[nodiscard]] std::optional<QString> conflictIn(const Appointment& a, const QList<Appointment>& others) const;
    // Rules 7 and 8: the practice is closed that day; the dentist no longer works then.
    [[nodiscard]] std::optional<QString> practiceMessage(const Appointment& a) const;
    enum class WriteMode { Save, Restore };
    struct Written {
        qint64 id = 0;
        std::optional<Appointment> before; // the stored row that was replaced
        Appointment after;
    };
    std::optional<SaveRefusal> write(const Appointment& appointment, const std::optional<Appointment>& opened,
                                     WriteMode mode = WriteMode::Save, Written* written = nullptr);
    // Removes the row if it still equals `expected`; the refusal's message otherwise.
    std::optional<QString> removeExpected(const Appointment& expected);
    // The status change `before` to `after` when the archive still holds `before`; the refusal otherwise.
    std::optional<QString> changeExpectedStatus(qint64 id, const DayStatus& before, const DayStatus& after);
    std::optional<QString> recordStatus(qint64 id, const std::function<DayStatus(const DayStatus&)>& next,
                                        const QString& what);
    // Cancels the row if it still equals `expected`; the refusal's message otherwise.
    std::optional<QString> cancelExpected(const Appointment& expected, CancelledBy by, const QString& reason);
    [[nodiscard]] QHash<qint64, DayStatus> fetchStatuses(const QList<Appointment>& week);
    // Writes change(stored closed periods), in a transaction that finds them as they were read, so that
    // another computer's closure written meanwhile is never overwritten.
    std::optional<QString> changeClosedPeriods(
        const std::function<QList<ClosedPeriod>(const QList<ClosedPeriod>& stored)>& change);
public:
    struct Change; // one entry of the undo history

private:
    void record(const Change& change);
    // Stores `next` as the appointment's recall when `expected` is still what is stored; the refusal otherwise.
    std::optional<QString> replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected,
                                         const std::optional<Recall>& next);
    // After an appointment's save, move or delete (with a plan not set): its recall set from `plan` (a
    // plan not set removes it), or without one the stored recall following the visit's day, patient and
    // phone; what was written goes into `change`. A failure is an alert (the appointment is saved already).
    void writeRecallWith(const Appointment& saved, const std::optional<RecallPlan>& plan, Change& change);
    // A list action: `next` of the recall as stored, written and put into the history as `what`.
    std::optional<QString> changeRecall(const Recall& seen, const std::function<void(Recall&)>& next,
                                        const QString& what);
    [[nodiscard]] std::optional<QString> apply(const Change& change, bool forward);
    // The appointment's part of apply (all of it but the recall written with it).
    [[nodiscard]] std::optional<QString> applyAppointment(const Change& change, bool forward);
    // Sends placed() for a change undone or redone that moved an appointment.
    void followPlace(const Change& change, bool forward);
    [[nodiscard]] int earliestStartToday() const;
    // Publishes a week read from the archive (which also ends a run of read failures).
    void setWeekAppointments(const QList<Appointment>& appointments);
    [[nodiscard]] QList<Appointment> fetchWeek();
    // Adds to the erasure memory the records the log's 'anonymise' entries since the last look list;
    // `markFile` also notes in the file how far the log was read (at start: the next start reads on from
    // there). Answers the failure's text.
    std::optional<QString> learnErasures(bool markFile);
    void stopOnReplacedArchive();
    [[nodiscard]] static QStringList operatorsIn(const QHash<QString, QString>& settings);
    // Publishes the operators the settings name; answers whether they differ from those shown.
    bool takeOperators(const QHash<QString, QString>& settings);

    // The questions answered on a worker thread: the newest asked of each kind, and the worker.
    enum class Question { Search, KnownPatients, Treatments };
    // `atOnce` answers from memory or not at all, `read` on the worker, `here` on this thread for an
    // archive without readers of its own (a database in memory). Every failure answers absent.
    template <typename T>
    void answerSoon(Question kind, const QObject* receiver, std::function<void(const std::optional<T>&)> answer,
                    const std::function<std::optional<T>()>& atOnce, std::function<T(AgendaReader&)> read,
                    std::function<T()> here);

    // The offer of the waiting list after the week on show changed from `before` (empty for another week).
    void followWaitingOffer(const QList<Appointment>& before);
    // The offer on show judged again against the waiting list as stored now, which another computer may
    // have changed while the week stayed the same.
    void judgeWaitingOfferAgain();
    // The booking from the waiting list being edited: its entry leaves the list once the booking is saved.
    void takeBookedWaitingEntry();

    std::optional<QString> anonymise(const AnonymiseScope& scope, qsizetype* reached);

    std::unique_ptr<AgendaArchive> m_ownedArchive; // kept to the end: everything below uses it
    AgendaArchive& m_archive;
    bool m_readOnly = false;
    // The act being logged (LoggedAct), empty between acts.
    QString m_act;
    std::array<quint64, 3> m_asked{};
    std::unique_ptr<BackgroundReader> m_background;
    QTimer* m_follow = nullptr;
    QUndoStack* m_history = nullptr;
    // A change seen whose reload failed; tried again at the next look.
    bool m_refreshPending = false;
    bool m_weekLoaded = true;
    // Reads of the week have failed since the last one that worked (their alert was given once).
    bool m_readFailing = false;
    bool m_replacedTold = false;
    QList<Dentist> m_dentists;
    QList<ClosedPeriod> m_closedPeriods;
    int m_holidaysDeclined = 0; // the last year whose holiday offer was turned down
    QString m_studioName;
    QStringList m_operators;
    QString m_currentOperator;
    QList<Appointment> m_weekAppointments;
    QHash<qint64, DayStatus> m_weekStatuses;
    QDate m_anchor;
    ViewMode m_mode = ViewMode::Week;
    std::optional<Appointment> m_editing;
    std::optional<Appointment> m_pendingDelete;
    std::optional<QString> m_alertMessage;
    std::optional<QString> m_calendarFolderFailure;
    std::unique_ptr<SecondPlace> m_secondPlace;
    std::unique_ptr<RestoreProof> m_restoreProof;
    std::optional<WaitingOffer> m_waitingOffer;
    std::optional<qint64> m_bookingWaiting;
    std::optional<Recall> m_bookingRecall; // whose name and phone the next new appointment takes
    QDate m_shownMonday; // the Monday of the week last read
    QString m_erasureMemory;
    qint64 m_erasuresSeen = 0; // the last log entry read for anonymisations
    QDate m_retentionApplied; // the last day the retention was applied
};
