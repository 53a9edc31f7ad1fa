#include "RecallScreenshots.h"

#include "AgendaScreenshots.h"
#include "AppointmentEditor.h"
#include "CalvoraView.h"
#include "Clock.h"
#include "RecallListWindow.h"
#include "Store.h"

namespace {

// The visits of the weeks around six months ago set recalls due around now, some overdue; a few patients
// have booked since, and drop off the list by themselves.
std::optional<Appointment> seed(Store& store)
{
    std::optional<Appointment> sample;
    const QDate today = Clock::today();
    for (QDate day = today.addMonths(-6).addDays(-20); day <= today.addMonths(-6).addDays(20); day = day.addDays(3)) {
        for (const Dentist& d : store.dentists()) {
            for (const Appointment& a : store.appointments(day, d.id)) {
                const bool cleaning = a.treatment.contains(QStringLiteral("Igiene"), Qt::CaseInsensitive);
                const RecallPlan plan{6, std::nullopt, cleaning ? QStringLiteral("Igiene") : QStringLiteral("Controllo"),
                                      true};
                if (!store.saveEdited(a, a, plan) && !sample)
                    sample = store.storedAppointment(a.id);
                break; // one a dentist a day is plenty for a picture
            }
        }
    }
    return sample;
}

} // namespace

namespace RecallScreenshots {

bool write(CalvoraView& window, Store& store, const QString& folder)
{
    std::optional<Appointment> sample;
    if (store.recallList(Clock::today()).value_or(QList<Recall>{}).isEmpty())
        sample = seed(store);
    bool ok = true;
    window.openRecalls();
    if (RecallListWindow* list = window.recallList()) {
        if (!list->recalls().isEmpty()) {
            list->selectRow(0);
            (void)store.recallNotAnswered(list->recalls().first());
            list->refresh();
        }
        ok &= AgendaScreenshots::savePicture(*list, folder + QStringLiteral("/richiami.png"));
        list->close();
    } else {
        ok = false;
    }
    if (sample) {
        store.setEditing(sample);
        AppointmentEditor editor(store, *sample, nullptr);
        ok &= AgendaScreenshots::savePicture(editor, folder + QStringLiteral("/editor-richiamo.png"));
        store.setEditing(std::nullopt);
    }
    return ok;
}

} // namespace RecallScreenshots
