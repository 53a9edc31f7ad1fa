#include "BackupScreenshots.h"

#include "AgendaScreenshots.h"
#include "BackupLook.h"
#include "BackupRestore.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "DatabaseError.h"
#include "ScheduleGrid.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTextStream>

namespace BackupScreenshots {

bool write(CalvoraApp& app, const QString& folder)
{
    Store& store = app.store();
    try {
        (void)store.backupNow();
    } catch (const DatabaseError& error) {
        QTextStream(stderr) << "Impossibile fare il backup: " << error.message() << '\n';
        return false;
    }
    app.showBackups();
    BackupListWindow* list = app.backups() ? app.backups()->showList(&app.agendaWindow()) : nullptr;
    if (!list || list->backups().isEmpty())
        return false;
    // The counts arrive from a worker thread.
    const QDeadlineTimer deadline(10000);
    while (!list->counted() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    bool ok = AgendaScreenshots::savePicture(*list, folder + QStringLiteral("/ripristino.png"));

    BackupLook* look = app.backups()->open(list->backups().first(), list);
    if (!look)
        return false;
    CalvoraView* window = look->window();
    window->resize(CalvoraView::preferredSize);
    if (!look->copy().weekAppointments().isEmpty())
        window->grid()->reveal(look->copy().weekAppointments().first());
    ok &= AgendaScreenshots::savePicture(*window, folder + QStringLiteral("/backup-in-lettura.png"));
    window->close();
    list->close();
    return ok;
}

} // namespace BackupScreenshots
