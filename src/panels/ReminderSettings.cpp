#include "ReminderSettings.h"

#include "Cal.h"
#include "Clock.h"
#include "ReminderMessage.h"
#include "Store.h"

namespace {

// An ordinary name, the practice's own name and dentist, the next open day: what a patient would read.
QString example(Store& store, const QString& text)
{
    QString dentist;
    for (const Dentist& d : store.dentists())
        if (dentist.isEmpty())
            dentist = d.name;
    const QDate day = store.nextOpenDay(Clock::today());
    const QString studio = store.studioName().isEmpty() ? QStringLiteral("Studio Dentistico") : store.studioName();
    return ReminderMessage::render(text, {QStringLiteral("Maria Rossi"), Cal::format(day, QStringLiteral("EEEEdM")),
                                          QStringLiteral("10:30"), studio, dentist});
}

} // namespace

ReminderSettings::ReminderSettings(Store& store, QWidget* parent)
    : MessageTemplateSection(
          {QStringLiteral("Promemoria SMS"), QStringLiteral("reminder"),
           QStringLiteral("Il testo dei promemoria che «Da confermare…» esporta per il servizio SMS. Puoi usare ")
               + ReminderMessage::placeholders().join(QStringLiteral(", "))
               + QStringLiteral(": ognuno è sostituito dai dati dell'appuntamento. Non scrivere la prestazione: "
                                "i dati sanitari non vanno negli SMS."),
           QStringLiteral("Testo del promemoria"), ReminderMessage::defaultTemplate(),
           [&store] { return store.reminderTemplate(); },
           [&store](const QString& text) { return store.setReminderTemplate(text); },
           [&store](const QString& text) { return example(store, text); }},
          parent)
{
}
