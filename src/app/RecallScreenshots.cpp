#include "RecallScreenshots.h"

#include "AgendaScreenshots.h"
#include "AppointmentEditor.h"
#include "Cal.h"
#include "CalvoraView.h"
#include "Clock.h"
#include "RecallListWindow.h"
#include "Store.h"

namespace {

// Visits of about six months ago, each setting its recall: due from three weeks ago to next fortnight.
void seed(Store& store)
{
    const struct {
        const char* patient;
        const char* phone;
        const char* treatment;
        const char* kind;
    } visits[] = {
        {"Elisa Marchetti", "333 918 2745", "Igiene orale", "Igiene"},
        {"Bruno Galli", "06 5532 118", "Visita di controllo", "Controllo"},
        {"Teresa Fontana", "347 220 9183", "Igiene orale", "Igiene"},
        {"Paolo Santoro", "339 774 0021", "Visita di controllo", "Controllo"},
        {"Irene Longo", "320 118 4477", "Igiene orale", "Igiene"},
    };
    const QDate start = Clock::today().addMonths(-6).addDays(-21);
    int n = 0;
    for (const auto& v : visits) {
        const QDate day = Cal::nextWorkday(start.addDays(8 * n++));
        const Appointment visit{0, store.dentists().value(0).id, Cal::dayKey(day), 600, 45, QString::fromUtf8(v.patient),
                                QString::fromUtf8(v.phone), QString::fromUtf8(v.treatment), {}};
        const RecallPlan plan{6, std::nullopt, QString::fromUtf8(v.kind), true};
        (void)store.saveEdited(visit, Appointment{}, plan);
    }
}

} // namespace

namespace RecallScreenshots {

bool write(CalvoraView& window, Store& store, const QString& folder)
{
    if (store.recallList(Clock::today()).value_or(QList<Recall>{}).isEmpty())
        seed(store);
    const QList<Recall> listed = store.recallList(Clock::today()).value_or(QList<Recall>{});
    const std::optional<Appointment> sample =
        listed.isEmpty() ? std::nullopt : store.storedAppointment(listed.first().appointmentId);
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
