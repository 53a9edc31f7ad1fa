#include "RecallMessage.h"

#include "Cal.h"
#include "ReminderMessage.h"

namespace RecallMessage {

const QStringList& placeholders()
{
    static const QStringList names{QStringLiteral("{nome}"), QStringLiteral("{tipo}"), QStringLiteral("{scadenza}"),
                                   QStringLiteral("{studio}")};
    return names;
}

QString defaultTemplate()
{
    return QStringLiteral("Gentile {nome}, è ora del richiamo di {tipo} presso {studio}. Ci chiami per fissare "
                          "un appuntamento.");
}

namespace {

// "Igiene" inside a sentence reads "igiene"; an acronym ("ATM") stays as written.
QString inSentence(const QString& kind)
{
    QString text = kind.trimmed();
    if (!text.isEmpty() && (text.size() == 1 || !text[1].isUpper()))
        text[0] = text[0].toLower();
    return text;
}

} // namespace

Values valuesOf(const Recall& recall, const QString& studio)
{
    return {recall.patient, inSentence(recall.kind), Cal::format(recall.due, QStringLiteral("MMMMy")), studio};
}

QString render(const QString& text, const Values& values)
{
    return ReminderMessage::substitute(text, placeholders(), {values.name, values.kind, values.due, values.studio});
}

} // namespace RecallMessage
