#include "PanelScreenshots.h"

#include "AppointmentEditor.h"
#include "Clock.h"
#include "DentistEditor.h"
#include "FreeSlotPanel.h"
#include "RecoveryKey.h"
#include "RecoveryKeyDialog.h"
#include "SearchPanel.h"
#include "SettingsView.h"
#include "Store.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <memory>

namespace {

void capture(QWidget& widget, const QString& path, QStringList& written)
{
    widget.show();
    QApplication::processEvents();
    if (widget.grab().save(path, "PNG"))
        written.append(path);
    widget.hide();
}

// As the widget is at this moment: nothing that waits for the event loop (an answer from the worker
// thread) reaches it first.
void captureAsIs(QWidget& widget, const QString& path, QStringList& written)
{
    widget.show();
    if (widget.grab().save(path, "PNG"))
        written.append(path);
    widget.hide();
}

// The appointment that shows most of the editor: the first of the week with a treatment, else the first.
std::optional<Appointment> sampleAppointment(const Store& store)
{
    const QList<Appointment>& week = store.weekAppointments();
    for (const Appointment& a : week)
        if (!a.treatment.isEmpty())
            return a;
    if (week.isEmpty())
        return std::nullopt;
    return week.first();
}

QString pageFileName(SettingsView::Page page)
{
    switch (page) {
    case SettingsView::Page::Studio:
        return QStringLiteral("studio");
    case SettingsView::Page::Dentists:
        return QStringLiteral("dentisti");
    case SettingsView::Page::Operators:
        return QStringLiteral("operatori");
    case SettingsView::Page::ClosedDays:
        return QStringLiteral("chiusure");
    case SettingsView::Page::Reminders:
        return QStringLiteral("promemoria");
    case SettingsView::Page::Recalls:
        return QStringLiteral("richiami");
    case SettingsView::Page::RecallMessage:
        return QStringLiteral("messaggio-richiamo");
    case SettingsView::Page::Archive:
        return QStringLiteral("archivio");
    case SettingsView::Page::Calendars:
        return QStringLiteral("calendari");
    case SettingsView::Page::Server:
        return QStringLiteral("server");
    }
    return {};
}

} // namespace

namespace PanelScreenshots {

QStringList write(Store& store, const QString& folder)
{
    QStringList written;
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return written;

    const std::optional<Appointment> sample = sampleAppointment(store);
    const QString query = sample ? sample->patient.split(u' ', Qt::SkipEmptyParts).value(1, sample->patient)
                                 : QStringLiteral("Rossi");
    // The first search of a session, before the agenda is kept in memory: a worker reads it.
    {
        SearchPanel panel(
            store, [] {}, query, nullptr);
        if (panel.searching())
            captureAsIs(panel, dir.filePath(QStringLiteral("ricerca-in-corso.png")), written);
    }
    // The other panels answer from memory, as they do once the window has been up a moment.
    (void)store.prepareSearch(true);

    store.newAppointment();
    if (store.editing()) {
        AppointmentEditor editor(store, *store.editing(), nullptr);
        capture(editor, dir.filePath(QStringLiteral("editor-nuovo.png")), written);
    }
    store.setEditing(std::nullopt);

    if (sample) {
        store.setEditing(sample);
        AppointmentEditor editor(store, *sample, nullptr);
        capture(editor, dir.filePath(QStringLiteral("editor-modifica.png")), written);
        store.setEditing(std::nullopt);
    }

    // The editor refusing a time that the sample's dentist already has, with the nearest free starts.
    if (sample) {
        store.newAppointment(sample->date(), sample->dentistId, sample->startMinutes);
        Appointment clash = *store.editing();
        clash.patient = QStringLiteral("Giorgio Rinaldi");
        AppointmentEditor editor(store, clash, nullptr);
        editor.save();
        capture(editor, dir.filePath(QStringLiteral("editor-alternative.png")), written);
        store.setEditing(std::nullopt);
    }

    {
        FreeSlotPanel panel(
            store, [] {}, nullptr);
        capture(panel, dir.filePath(QStringLiteral("primo-posto-libero.png")), written);
    }

    if (!store.dentists().isEmpty()) {
        DentistEditor editor(
            store, store.dentists().first(), [] {}, nullptr);
        capture(editor, dir.filePath(QStringLiteral("dentista.png")), written);
    }

    {
        SearchPanel panel(
            store, [] {}, query, nullptr);
        capture(panel, dir.filePath(QStringLiteral("ricerca.png")), written);
    }

    {
        // A fixed key of the picture's own, never the practice's: the dialog shows a secret.
        QByteArray secret(RecoveryKey::keyBytes, '\0');
        for (int i = 0; i < secret.size(); ++i)
            secret[i] = char(i * 37 + 11);
        RecoveryKeyDialog dialog({store.studioName(), Clock::today(),
                                  RecoveryKey::fingerprint(RecoveryKey::publicOf(secret)), RecoveryKey::words(secret)});
        capture(dialog, dir.filePath(QStringLiteral("chiave-ripristino.png")), written);
    }
    return written;
}

QStringList settingsPages(SettingsView& settings, const QString& folder)
{
    QStringList written;
    settings.resize(SettingsView::windowWidth, SettingsView::windowHeight);
    for (const SettingsView::Page page : settings.pages()) {
        settings.showPage(page);
        QApplication::processEvents();
        const QString path = QDir(folder).filePath(QStringLiteral("impostazioni-") + pageFileName(page) + QStringLiteral(".png"));
        if (settings.grab().save(path, "PNG"))
            written.append(path);
    }
    return written;
}

} // namespace PanelScreenshots
