#include "ScreenshotMode.h"

#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "DemoData.h"
#include "Dialogs.h"
#include "PanelScreenshots.h"
#include "PrintService.h"
#include "Store.h"

#include <QApplication>
#include <QDir>
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
    return ok ? 0 : 1;
}

} // namespace ScreenshotMode
