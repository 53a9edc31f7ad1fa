#pragma once

#include "Dentist.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <optional>
#include <utility>

class Store;

// Keeps, in the folder the practice's settings name, one calendar file per dentist ("<name>.ics") with
// their appointments of the coming weeks, so that a dentist can subscribe from a phone through whatever
// syncs the folder. It follows the store: a change here or on another computer is in the files about a
// second later. The archive is read on this thread; the files are made and written on a thread of
// their own (a synced or network folder may be slow). A computer that cannot reach the folder skips it;
// a failed read or write is tried again at the next change. A failed write, or the folder gone after
// this computer kept it, is published as Store::calendarFolderFailure until a later update succeeds.
// The files of dentists renamed or retired go; nothing else in the folder is touched.
//
// Every computer of the practice that reaches the folder keeps it. They do not fight over the files:
// what a file holds depends only on the agenda and the day, and a file that already holds it (but for
// the moment it was written) is left untouched, so the second computer writes nothing.
class CalendarFolder : public QObject {
    Q_OBJECT

public:
    static constexpr int weeks = 8;

    explicit CalendarFolder(Store& store, int delayMs = 1000, QObject* parent = nullptr);
    // Waits for the files being written.
    ~CalendarFolder() override;

    // Reads the agenda and writes the files at once, returning when they are written and the outcome
    // published.
    void updateNow();

    // The days a file covers: from the Monday of today's week for `weeks` weeks.
    [[nodiscard]] static std::pair<QDate, QDate> span(const QDate& today);
    // "<dentist's name>.ics", with the characters file systems refuse replaced; a name that two dentists
    // share gets the dentist's id in brackets.
    [[nodiscard]] static QList<std::pair<qint64, QString>> fileNames(const QList<Dentist>& dentists);

private:
    void schedule();
    void update();
    // Publishes the outcome of an update: absent on success, else why it failed.
    void report(const std::optional<QString>& reason);

    Store& m_store;
    QTimer m_delay;
    QTimer m_dayChange;
    QThreadPool m_writer;
    // The folder this computer last found, so that its disappearance is told.
    QString m_reached;
};
