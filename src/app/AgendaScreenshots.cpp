#include "AgendaScreenshots.h"

#include "ActivityLogWindow.h"
#include "AppointmentEditor.h"
#include "CalvoraView.h"
#include "CancellationsPanel.h"
#include "HistorySection.h"
#include "Store.h"

#include <QApplication>
#include <QToolButton>

#include <memory>
#include <QPixmap>
#include <QTextStream>

namespace AgendaScreenshots {

bool savePicture(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    const bool ok = widget.grab().save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "" : "Impossibile scrivere ") << path << '\n';
    return ok;
}

bool statuses(CalvoraView& window, Store& store, const QString& folder)
{
    store.setMode(ViewMode::Week);
    const QList<Appointment> week = store.weekAppointments();
    QList<qint64> changed;
    // A practice's Wednesday afternoon: the earlier patients came or did not, the later ones confirmed.
    const AppointmentStatus cycle[] = {AppointmentStatus::Arrived, AppointmentStatus::Confirmed,
                                       AppointmentStatus::ToConfirm, AppointmentStatus::Confirmed,
                                       AppointmentStatus::Arrived, AppointmentStatus::NoShow};
    for (qsizetype i = 0; i < week.size(); ++i) {
        const AppointmentStatus s = cycle[i % std::size(cycle)];
        if (s != AppointmentStatus::ToConfirm && !store.setStatus(week[i].id, s))
            changed.append(week[i].id);
    }
    bool ok = savePicture(window, folder + QStringLiteral("/agenda-stati.png"));
    // One late (the week's first), one in good time (near its end).
    QList<qint64> cancelled;
    if (week.size() > 8) {
        const Appointment late = store.weekAppointments().first();
        const Appointment inTime = store.weekAppointments().at(week.size() - 4);
        if (!store.cancel(late, CancelledBy::Patient, QStringLiteral("Influenza")))
            cancelled.append(late.id);
        if (!store.cancel(inTime, CancelledBy::Practice, QStringLiteral("Dentista a un congresso")))
            cancelled.append(inTime.id);
    }
    {
        auto panel = std::make_unique<CancellationsPanel>(store, &window);
        panel->show();
        ok &= savePicture(*panel, folder + QStringLiteral("/disdette.png"));
    }
    // Put the week back as it was directly: the changes outnumber what the undo history keeps.
    for (const qint64 id : cancelled)
        (void)store.restoreCancelled(id);
    for (const qint64 id : changed)
        (void)store.setStatus(id, AppointmentStatus::ToConfirm);
    return ok;
}

bool activityLog(CalvoraView& window, Store& store, const QString& folder)
{
    store.setMode(ViewMode::Week);
    const QList<Appointment> week = store.weekAppointments();
    if (week.size() < 6)
        return false;
    // A morning's work on three appointments: a call and a confirmation, a move, a cancellation.
    const Appointment called = week[1], moved = week[3], cancelled = week[5];
    (void)store.recordCallAttempt(called.id);
    (void)store.setStatus(called.id, AppointmentStatus::Confirmed);
    const bool wasMoved = store.move(moved.id, moved.date(), moved.dentistId, moved.startMinutes + 60);
    const bool wasCancelled = !store.cancel(cancelled, CancelledBy::Patient, QStringLiteral("Febbre"));
    bool ok = true;
    {
        store.setEditing(store.storedAppointment(called.id).value_or(called));
        AppointmentEditor editor(store, *store.editing(), nullptr);
        editor.show();
        if (editor.history())
            editor.history()->toggle()->click();
        ok &= savePicture(editor, folder + QStringLiteral("/storia-appuntamento.png"));
        store.setEditing(std::nullopt);
    }
    {
        ActivityLogWindow log(store, &window);
        log.show();
        ok &= savePicture(log, folder + QStringLiteral("/registro-attivita.png"));
    }
    // The week as it was, for the pictures that follow.
    if (wasCancelled)
        (void)store.restoreCancelled(cancelled.id);
    if (wasMoved)
        (void)store.move(moved.id, moved.date(), moved.dentistId, moved.startMinutes);
    (void)store.setStatus(called.id, AppointmentStatus::ToConfirm);
    return ok;
}

bool smallScreen(CalvoraView& window, const QString& folder)
{
    const QRect before = window.geometry();
    window.fitInto(QRect(0, 0, 1366, 768));
    const bool ok = savePicture(window, folder + QStringLiteral("/agenda-1366x768.png"));
    window.setGeometry(before);
    QApplication::processEvents();
    return ok;
}

} // namespace AgendaScreenshots
