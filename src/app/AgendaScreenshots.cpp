#include "AgendaScreenshots.h"

#include "CalvoraView.h"
#include "CancellationsPanel.h"
#include "Store.h"

#include <QApplication>

#include <memory>
#include <QPixmap>
#include <QTextStream>

namespace {


} // namespace

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
    int changes = 0;
    // A practice's Wednesday afternoon: the earlier patients came or did not, the later ones confirmed.
    const AppointmentStatus cycle[] = {AppointmentStatus::Arrived, AppointmentStatus::Confirmed,
                                       AppointmentStatus::ToConfirm, AppointmentStatus::Confirmed,
                                       AppointmentStatus::Arrived, AppointmentStatus::NoShow};
    for (qsizetype i = 0; i < week.size(); ++i) {
        const AppointmentStatus s = cycle[i % std::size(cycle)];
        if (s != AppointmentStatus::ToConfirm && !store.setStatus(week[i].id, s))
            ++changes;
    }
    bool ok = savePicture(window, folder + QStringLiteral("/agenda-stati.png"));
    // One late (the week's first), one in good time (near its end).
    if (week.size() > 8) {
        if (!store.cancel(store.weekAppointments().first(), CancelledBy::Patient, QStringLiteral("Influenza")))
            ++changes;
        if (!store.cancel(store.weekAppointments().at(week.size() - 4), CancelledBy::Practice,
                          QStringLiteral("Dentista a un congresso")))
            ++changes;
    }
    {
        auto panel = std::make_unique<CancellationsPanel>(store, &window);
        panel->show();
        ok &= savePicture(*panel, folder + QStringLiteral("/disdette.png"));
    }
    while (changes-- > 0)
        store.undo();
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
