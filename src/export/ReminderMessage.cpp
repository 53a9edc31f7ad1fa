#include "ReminderMessage.h"

#include "Cal.h"
#include "Schedule.h"

namespace {

// The GSM 03.38 default alphabet (without its escape) and its extension table.
const QString& gsmBasic()
{
    static const QString basic = QStringLiteral(
        "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿"
        "abcdefghijklmnopqrstuvwxyzäöñüà");
    return basic;
}

const QString& gsmExtension()
{
    static const QString extension = QStringLiteral("\f^{}\\[~]|€");
    return extension;
}

} // namespace

namespace ReminderMessage {

const QStringList& placeholders()
{
    static const QStringList names{QStringLiteral("{nome}"), QStringLiteral("{giorno}"), QStringLiteral("{ora}"),
                                   QStringLiteral("{studio}"), QStringLiteral("{dentista}")};
    return names;
}

QString defaultTemplate()
{
    return QStringLiteral("Gentile {nome}, le ricordiamo l'appuntamento di {giorno} alle {ora} con {dentista} "
                          "presso {studio}. Se non può venire ci avvisi.");
}

Values valuesOf(const Appointment& a, const QString& dentist, const QString& studio)
{
    return {a.patient, Cal::format(a.date(), QStringLiteral("EEEEdM")), Schedule::clockText(a.startMinutes),
            studio, dentist};
}

QString render(const QString& text, const Values& values)
{
    return substitute(text, placeholders(), {values.name, values.day, values.time, values.studio, values.dentist});
}

QString substitute(const QString& text, const QStringList& names, const QStringList& values)
{
    QString message;
    message.reserve(text.size() + 64);
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype matched = -1;
        if (text[at] == u'{')
            for (qsizetype i = 0; i < names.size() && matched < 0; ++i)
                if (QStringView(text).mid(at).startsWith(names[i]))
                    matched = i;
        if (matched < 0) {
            message.append(text[at++]);
            continue;
        }
        message.append(values.value(matched));
        at += names[matched].size();
    }
    return message;
}

SmsLength smsLength(const QString& message)
{
    SmsLength length;
    for (QChar c : message) {
        if (gsmBasic().contains(c)) {
            length.characters += 1;
        } else if (gsmExtension().contains(c)) {
            length.characters += 2;
        } else if (length.gsm) {
            length.gsm = false;
            length.foreign = c;
        }
    }
    if (!length.gsm)
        length.characters = int(message.size());
    return length;
}

QString lengthText(const QString& message)
{
    const SmsLength length = smsLength(message);
    QString text = QString::number(length.characters) + QStringLiteral(" caratteri su ") + QString::number(length.limit());
    if (!length.gsm)
        text += QStringLiteral(", perché «") + length.foreign + QStringLiteral("» non è nell'alfabeto degli SMS");
    return text + (length.characters <= length.limit() ? QStringLiteral(": un SMS.") : QStringLiteral(": più SMS."));
}

} // namespace ReminderMessage
