#include "ScreenshotMode.h"

#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "DemoData.h"
#include "Dialogs.h"
#include "PanelScreenshots.h"
#include "PrintService.h"
#include "SettingsView.h"
#include "Store.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTextStream>

#include <memory>

namespace {

bool save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    const bool ok = widget.grab().save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "" : "Impossibile scrivere ") << path << '\n';
    return ok;
}

// Last, as it changes the scratch agenda: a fourth dentist, a closed day in the week on show, and the
// settings window with its dentists and closed days.
bool practiceThatChanges(CalvoraApp& app, const QString& folder)
{
    Store& store = app.store();
    if (store.dentists().size() < 4 && store.addDentist())
        return false;
    const QDate friday = store.visibleDays().value(4, store.anchor());
    QList<ClosedPeriod> closed = ClosedDays::italianHolidays(friday.year());
    closed.append({friday, friday, QStringLiteral("Ponte")});
    if (store.setClosedPeriods(closed))
        return false;
    store.setMode(ViewMode::Week);
    bool ok = save(app.agendaWindow(), folder + QStringLiteral("/settimana-quattro-dentisti.png"));
    app.showSettings();
    if (SettingsView* settings = app.settingsWindow()) {
        if (auto* area = settings->findChild<QScrollArea*>())
            area->ensureWidgetVisible(settings->findChild<QWidget*>(QStringLiteral("closedDays")));
        ok &= save(*settings, folder + QStringLiteral("/impostazioni-dentisti-chiusure.png"));
        settings->close();
    }
    return ok;
}

} // namespace

namespace ScreenshotMode {

int run(CalvoraApp& app, const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "Impossibile creare la cartella " << folder << '\n';
        return 1;
    }
    Store& store = app.store();
    if (store.weekAppointments().isEmpty())
        DemoData::seed(store);
    CalvoraView& window = app.agendaWindow();
    window.show();
    bool ok = true;
    store.setMode(ViewMode::Week);
    ok &= save(window, folder + QStringLiteral("/settimana.png"));
    store.setMode(ViewMode::Day);
    ok &= save(window, folder + QStringLiteral("/giorno.png"));
    store.setMode(ViewMode::Week);

    for (const QString& path : PanelScreenshots::write(store, folder))
        QTextStream(stdout) << path << '\n';
    if (!store.weekAppointments().isEmpty()) {
        std::unique_ptr<QMessageBox> confirmation(
            Dialogs::build(&window, CalvoraView::deleteRequest(store.weekAppointments().first())));
        confirmation->show();
        ok &= save(*confirmation, folder + QStringLiteral("/conferma-eliminazione.png"));
    }

    for (const PrintLayout layout : {PrintLayout::WeekOnePage, PrintLayout::WeekTwoPages, PrintLayout::Day}) {
        const QString path = folder + u'/' + PrintService::pdfFileName(layout);
        const bool written = PrintService::writePdf(store, layout, path);
        QTextStream(written ? stdout : stderr) << (written ? "" : "Impossibile scrivere ") << path << '\n';
        ok &= written;
    }
    ok &= practiceThatChanges(app, folder);
    return ok ? 0 : 1;
}

} // namespace ScreenshotMode
