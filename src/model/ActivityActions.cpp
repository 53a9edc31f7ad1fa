#include "ActivityActions.h"

namespace ActivityActions {

const QList<QPair<QString, QString>>& all()
{
    static const QList<QPair<QString, QString>> acts{
        {QStringLiteral("book"), QStringLiteral("Prenotazione")},
        {QStringLiteral("edit"), QStringLiteral("Modifica")},
        {QStringLiteral("move"), QStringLiteral("Spostamento")},
        {QStringLiteral("copy"), QStringLiteral("Copia")},
        {QStringLiteral("status"), QStringLiteral("Cambio di stato")},
        {QStringLiteral("call"), QStringLiteral("Chiamata senza risposta")},
        {QStringLiteral("cancel"), QStringLiteral("Disdetta")},
        {QStringLiteral("restore"), QStringLiteral("Ripristino")},
        {QStringLiteral("from-backup"), QStringLiteral("Copia da un backup")},
        {QStringLiteral("delete"), QStringLiteral("Eliminazione")},
        {QStringLiteral("undo"), QStringLiteral("Annullamento")},
        {QStringLiteral("redo"), QStringLiteral("Ripetizione")},
        {QStringLiteral("waiting"), QStringLiteral("Lista d'attesa")},
        {QStringLiteral("recall"), QStringLiteral("Richiami")},
        {QStringLiteral("settings"), QStringLiteral("Impostazioni")},
        {QStringLiteral("dentist"), QStringLiteral("Dentisti")},
        {QStringLiteral("closed-days"), QStringLiteral("Giorni di chiusura")},
        {QStringLiteral("holidays"), QStringLiteral("Festività")},
        {QStringLiteral("print"), QStringLiteral("Stampa")},
        {QStringLiteral("export"), QStringLiteral("Esportazione")},
        {QStringLiteral("backup"), QStringLiteral("Backup")},
        {QStringLiteral("recovery-key"), QStringLiteral("Chiave di ripristino")},
        {QStringLiteral("anonymise"), QStringLiteral("Anonimizzazione")},
        {QStringLiteral("sql"), QStringLiteral("Fuori dal programma")},
    };
    return acts;
}

QString label(const QString& action)
{
    for (const auto& [key, name] : all())
        if (key == action)
            return name;
    return action;
}

} // namespace ActivityActions
