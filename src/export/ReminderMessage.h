#pragma once

#include "Appointment.h"

#include <QString>
#include <QStringList>

// The text message that reminds a patient of an appointment, made from the practice's template.
namespace ReminderMessage {

// What the placeholders stand for.
struct Values {
    QString name;    // {nome}: the patient as written in the agenda
    QString day;     // {giorno}: "martedì 9/12"
    QString time;    // {ora}: "10:30"
    QString studio;  // {studio}: the practice's name
    QString dentist; // {dentista}
};

// "{nome}", "{giorno}", "{ora}", "{studio}", "{dentista}".
[[nodiscard]] const QStringList& placeholders();

// The template used while the practice has not written its own. It names no treatment (health data stays
// out of text messages) and fits one SMS for ordinary names.
[[nodiscard]] QString defaultTemplate();

// The values of an appointment.
[[nodiscard]] Values valuesOf(const Appointment& a, const QString& dentist, const QString& studio);

// The template with each placeholder replaced; anything else, unknown braces included, stays as written.
[[nodiscard]] QString render(const QString& text, const Values& values);
// The same for any list of placeholders and their values (as many as the names), in one pass, so that a
// value holding a placeholder's name stays as written. The recall messages share it.
[[nodiscard]] QString substitute(const QString& text, const QStringList& names, const QStringList& values);

// How much of an SMS a message takes. In the GSM 7-bit alphabet a character counts one, one of its
// extension table (€ [ ] { } ^ ~ | \) two, and one SMS holds 160; a message with any other character
// (’, “, È…) is sent in UCS-2, where one SMS holds 70.
struct SmsLength {
    int characters = 0;
    bool gsm = true;
    QString foreign; // the first character outside the GSM alphabet, when there is one
    [[nodiscard]] int limit() const { return gsm ? 160 : 70; }
};
[[nodiscard]] SmsLength smsLength(const QString& message);

// What the settings say of a message under its field, e.g. "142 caratteri su 160: un SMS."
[[nodiscard]] QString lengthText(const QString& message);

} // namespace ReminderMessage
