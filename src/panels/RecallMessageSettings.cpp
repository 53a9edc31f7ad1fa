#include "RecallMessageSettings.h"

#include "Clock.h"
#include "DatabaseError.h"
#include "RecallMessage.h"
#include "Store.h"

namespace {

// An ordinary name, the practice's own name and last kind, due in six months: what a patient would read.
QString example(Store& store, const QString& text)
{
    Recall recall;
    recall.patient = QStringLiteral("Maria Rossi");
    try {
        const QList<RecallSettings::Kind> kinds = store.recallSettings().kinds;
        recall.kind = kinds.isEmpty() ? QString() : kinds.last().name;
    } catch (const DatabaseError&) {
        recall.kind = RecallSettings::defaults().kinds.last().name; // the field says the reading failed
    }
    recall.due = Clock::today().addMonths(6);
    const QString studio = store.studioName().isEmpty() ? QStringLiteral("Studio Dentistico") : store.studioName();
    return RecallMessage::render(text, RecallMessage::valuesOf(recall, studio));
}

} // namespace

RecallMessageSettings::RecallMessageSettings(Store& store, QWidget* parent)
    : MessageTemplateSection(
          {QStringLiteral("Richiami SMS"), QStringLiteral("recall"),
           QStringLiteral("Il testo dei richiami che «Richiami…» esporta per il servizio SMS. Puoi usare ")
               + RecallMessage::placeholders().join(QStringLiteral(", "))
               + QStringLiteral(": ognuno è sostituito dai dati del richiamo. Non scrivere altri dati sanitari oltre "
                                "al tipo di richiamo: non vanno negli SMS."),
           QStringLiteral("Testo del richiamo"), RecallMessage::defaultTemplate(),
           [&store] { return store.recallTemplate(); },
           [&store](const QString& text) { return store.setRecallTemplate(text); },
           [&store](const QString& text) { return example(store, text); }},
          parent)
{
}
