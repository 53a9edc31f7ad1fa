#pragma once

#include "Recall.h"

#include <QString>
#include <QStringList>

// The text message that invites a patient to book a periodic visit, made from the practice's recall
// template. Lengths in SMS characters as for the reminders (ReminderMessage::smsLength, lengthText).
namespace RecallMessage {

// What the placeholders stand for.
struct Values {
    QString name;   // {nome}: the patient as written in the agenda
    QString kind;   // {tipo}: "controllo", "igiene", as the practice names it, in lower case
    QString due;    // {scadenza}: "giugno 2027"
    QString studio; // {studio}: the practice's name
};

// "{nome}", "{tipo}", "{scadenza}", "{studio}".
[[nodiscard]] const QStringList& placeholders();

// The template used while the practice has not written its own. It names nothing of the patient's health
// but the kind of visit and fits one SMS for ordinary names.
[[nodiscard]] QString defaultTemplate();

// The values of a recall.
[[nodiscard]] Values valuesOf(const Recall& recall, const QString& studio);

// The template with each placeholder replaced; anything else stays as written.
[[nodiscard]] QString render(const QString& text, const Values& values);

} // namespace RecallMessage
