#include "ScreenshotMode.h"

#include "AgendaScreenshots.h"
#include "BackupScreenshots.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "ConfirmationPanel.h"
#include "DemoData.h"
#include "DentistColumn.h"
#include "Dialogs.h"
#include "PanelScreenshots.h"
#include "PatientDataWindow.h"
#include "PrintScreenshots.h"
#include "PrintService.h"
#include "ScheduleGrid.h"
#include "SettingsView.h"
#include "Store.h"
#include "RecallScreenshots.h"
#include "WaitingListScreenshots.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QTextStream>

#include <memory>

namespace {

using AgendaScreenshots::savePicture;


// A free place in a column for an appointment of `duration` minutes, from `from` on: its first slot.
std::optional<int> freePlace(const DentistColumn& column, int duration, int from)
{
    const int rows = duration / Schedule::slotMinutes;
    for (int first = from; first + rows <= Schedule::slotCount; ++first) {
        int free = 0;
        while (free < rows && column.isFree(first + free))
            ++free;
        if (free == rows)
            return first;
    }
    return std::nullopt;
}

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& pos)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// "Dati del paziente" of the first patient of the week on show.
bool patientPicture(CalvoraView& window, const Store& store, const QString& path)
{
    if (store.weekAppointments().isEmpty())
        return false;
    PatientDataWindow* patient = window.showPatientData(store.weekAppointments().first().patient);
    const bool saved = savePicture(*patient, path);
    patient->close();
    return saved;
}

// A block dragged by its last quarter onto the next day's other dentist: the outline where it would land,
// and the picture that the pointer carries, put where the platform shows it (the offscreen platform has
// no drag loop, so the drag's events are delivered as the platform would deliver them).
bool dragPicture(CalvoraView& window, const QString& path)
{
    ScheduleGrid* grid = window.grid();
    DentistColumn* source = grid->column(1, 0);
    DentistColumn* target = grid->column(2, 1);
    if (!source || !target || source->blocks().empty())
        return false;
    const AppointmentBlock& block = source->blocks().front();
    const Appointment dragged = block.appointment();
    const std::optional<int> slot = freePlace(*target, dragged.durationMinutes, 12);
    if (!slot)
        return false;
    const QPoint grab(int(block.rect().center().x()), int(block.rect().bottom()) - 4);
    sendMouse(source, QEvent::MouseButtonPress, grab);
    sendMouse(source, QEvent::MouseMove, grab + QPoint(0, 2 * QApplication::startDragDistance()));
    // The finished drag goes at the next turn of the event loop: what it carries is taken now.
    auto* drag = source->findChild<QDrag*>();
    if (!drag || !drag->mimeData())
        return false;
    const QPixmap carried = drag->pixmap();
    const QPoint hotSpot = drag->hotSpot();
    QMimeData payload;
    payload.setText(drag->mimeData()->text());
    const double rowHeight = target->geometryRules().rowHeight();
    const QPoint at(target->width() / 2, int((*slot + 0.5) * rowHeight));
    QDragEnterEvent enter(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    grid->scrollArea()->ensureWidgetVisible(target, 0, 0);
    grid->scrollArea()->ensureVisible(target->x() + at.x(), at.y(), 0, int(4 * rowHeight));
    QApplication::processEvents();
    QImage picture = window.grab().toImage();
    {
        QPainter p(&picture);
        p.drawPixmap(target->mapTo(&window, at) - hotSpot, carried);
    }
    QDragLeaveEvent leave;
    QApplication::sendEvent(target, &leave);
    const bool ok = picture.save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "" : "Impossibile scrivere ") << path << '\n';
    return ok;
}

// Last, as it renames the dentists: five of them with their real names, titles and all, whose week
// headers keep the surnames.
bool fiveDentists(CalvoraApp& app, const QString& folder)
{
    Store& store = app.store();
    while (store.dentists().size() < 5)
        if (store.addDentist())
            return false;
    const QStringList names{QStringLiteral("Dott.ssa Chiara Bellandi"),
                            QStringLiteral("Dott. Roberto Marchetti"),
                            QStringLiteral("Dott.ssa Elena Fabbri"),
                            QStringLiteral("Dott. Giovanni De Santis"),
                            QStringLiteral("Prof. Marco Lombardi")};
    QList<Dentist> dentists = store.dentists();
    for (qsizetype i = 0; i < dentists.size() && i < names.size(); ++i)
        dentists[i].name = names[i];
    if (store.saveSettings(store.studioName(), dentists))
        return false;
    store.setMode(ViewMode::Week);
    return savePicture(app.agendaWindow(), folder + QStringLiteral("/intestazioni-cinque-dentisti.png"));
}

// Near the end, as it changes the scratch agenda: a fourth dentist, a closed day in the week on show, and the
// settings window's pages with them.
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
    // The operators' page with names on it, and the switch they bring to the toolbar.
    if (store.setOperators({QStringLiteral("Anna"), QStringLiteral("Giulia"), QStringLiteral("Marco")}))
        return false;
    store.setCurrentOperator(QStringLiteral("Anna"));
    store.setMode(ViewMode::Week);
    bool ok = savePicture(app.agendaWindow(), folder + QStringLiteral("/settimana-quattro-dentisti.png"));
    app.showSettings();
    if (SettingsView* settings = app.settingsWindow()) {
        const QStringList pages = PanelScreenshots::settingsPages(*settings, folder);
        for (const QString& path : pages)
            QTextStream(stdout) << path << '\n';
        ok &= pages.size() == settings->pages().size();
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
    // The pictures show the window at the size it likes, whatever this screen's.
    window.resize(CalvoraView::preferredSize);
    window.show();
    bool ok = true;
    store.setMode(ViewMode::Week);
    ok &= savePicture(window, folder + QStringLiteral("/settimana.png"));
    store.setMode(ViewMode::Day);
    ok &= savePicture(window, folder + QStringLiteral("/giorno.png"));
    store.setMode(ViewMode::Week);
    ok &= AgendaScreenshots::smallScreen(window, folder);

    for (const QString& path : PanelScreenshots::write(store, folder))
        QTextStream(stdout) << path << '\n';
    ok &= ConfirmationPanel::writeScreenshot(store, folder + QStringLiteral("/da-confermare.png"));
    if (!store.weekAppointments().isEmpty()) {
        std::unique_ptr<QMessageBox> confirmation(
            Dialogs::build(&window, CalvoraView::deleteRequest(store.weekAppointments().first())));
        confirmation->show();
        ok &= savePicture(*confirmation, folder + QStringLiteral("/conferma-eliminazione.png"));
    }

    for (const PrintLayout layout : {PrintLayout::WeekOnePage, PrintLayout::WeekTwoPages, PrintLayout::Day}) {
        const QString path = folder + u'/' + PrintService::pdfFileName(layout);
        const bool written = PrintService::writePdf(store, layout, path);
        QTextStream(written ? stdout : stderr) << (written ? "" : "Impossibile scrivere ") << path << '\n';
        ok &= written;
    }
    ok &= PrintScreenshots::write(folder);
    ok &= AgendaScreenshots::statuses(window, store, folder);
    ok &= AgendaScreenshots::activityLog(window, store, folder);
    ok &= dragPicture(window, folder + QStringLiteral("/trascinamento.png"));
    ok &= WaitingListScreenshots::write(window, store, folder);
    ok &= RecallScreenshots::write(window, store, folder);
    ok &= patientPicture(window, store, folder + QStringLiteral("/dati-paziente.png"));
    ok &= BackupScreenshots::write(app, folder);
    ok &= practiceThatChanges(app, folder);
    ok &= fiveDentists(app, folder);
    return ok ? 0 : 1;
}

} // namespace ScreenshotMode
