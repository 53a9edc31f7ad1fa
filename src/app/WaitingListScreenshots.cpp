#include "WaitingListScreenshots.h"

#include "AgendaScreenshots.h"
#include "CalvoraView.h"
#include "Clock.h"
#include "Store.h"
#include "WaitingListPanel.h"

#include <QApplication>
#include <QTextStream>

namespace {

using AgendaScreenshots::savePicture;


void seedList(Store& store)
{
    if (!store.waitingList().value_or(QList<WaitingEntry>{{}}).isEmpty())
        return;
    WaitingEntry anna;
    anna.patient = QStringLiteral("Anna Ferraro");
    anna.phone = QStringLiteral("333 123 4567");
    anna.durationMinutes = 15;
    anna.note = QStringLiteral("Prima possibile, anche con poco preavviso");
    WaitingEntry marco;
    marco.patient = QStringLiteral("Marco Ricci");
    marco.phone = QStringLiteral("347 765 4321");
    marco.durationMinutes = 15;
    marco.part = DayPart::Afternoon;
    marco.weekdays = 0b10110;
    marco.until = Clock::today().addMonths(2);
    WaitingEntry giulia;
    giulia.patient = QStringLiteral("Giulia Conti");
    giulia.phone = QStringLiteral("02 1234567");
    giulia.durationMinutes = 60;
    giulia.dentistId = store.dentists().value(0).id;
    giulia.part = DayPart::Morning;
    giulia.note = QStringLiteral("Igiene, preferisce il mattino");
    for (const WaitingEntry& e : {anna, marco, giulia})
        (void)store.saveWaitingEntry(e);
}

// The first appointment of the week on show still ahead, whose start the list can take.
std::optional<Appointment> ahead(const Store& store)
{
    const QDateTime now = Clock::now();
    for (const Appointment& a : store.weekAppointments())
        if (QDateTime(a.date(), QTime(0, 0).addSecs(qint64(a.startMinutes) * 60)) > now)
            return a;
    return std::nullopt;
}

} // namespace

namespace WaitingListScreenshots {

bool write(CalvoraView& window, Store& store, const QString& folder)
{
    seedList(store);
    store.setMode(ViewMode::Week);
    bool ok = true;
    if (const std::optional<Appointment> freed = ahead(store)) {
        store.deleteAppointment(*freed);
        if (store.waitingOffer())
            ok &= savePicture(window, folder + QStringLiteral("/lista-attesa-offerta.png"));
        store.dismissWaitingOffer();
        store.undo();
    }
    window.openWaitingList();
    if (WaitingListPanel* list = window.waitingList()) {
        ok &= savePicture(*list, folder + QStringLiteral("/lista-attesa.png"));
        list->close();
    } else {
        ok = false;
    }
    return ok;
}

} // namespace WaitingListScreenshots
