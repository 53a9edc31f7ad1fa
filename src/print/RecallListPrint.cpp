#include "RecallListPrint.h"

#include "Cal.h"
#include "ListSheet.h"

namespace {

QString shortDay(const QDate& day)
{
    return day.isValid() ? day.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

} // namespace

namespace RecallListPrint {

ListSheet listSheet(const Sheet& sheet)
{
    ListSheet list{QStringLiteral("Richiami – ") + Cal::format(sheet.month, QStringLiteral("MMMMy")),
                   {QStringLiteral("Paziente"), QStringLiteral("Telefono"), QStringLiteral("Tipo"),
                    QStringLiteral("Scadenza"), QStringLiteral("Ultima visita"), QStringLiteral("Tentativi")},
                   {0.0, 0.30, 0.47, 0.61, 0.73, 0.87},
                   {},
                   QStringLiteral("Nessun paziente da richiamare.")};
    for (const Recall& r : sheet.recalls)
        list.lines.append({r.patient, r.phone, r.kind, shortDay(r.due), shortDay(r.lastVisit),
                           r.attempts > 0 ? QString::number(r.attempts) : QString()});
    return list;
}

int pageCount(const Sheet& sheet)
{
    return listSheet(sheet).pageCount();
}

void print(QWidget* parent, const Sheet& sheet)
{
    listSheet(sheet).print(parent);
}

bool writePdf(const Sheet& sheet, const QString& path)
{
    return listSheet(sheet).writePdf(path);
}

} // namespace RecallListPrint
