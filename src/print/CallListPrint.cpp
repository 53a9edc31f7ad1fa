#include "CallListPrint.h"

#include "ListSheet.h"

namespace CallListPrint {

ListSheet listSheet(const Sheet& sheet)
{
    ListSheet list{sheet.title,
                   {QStringLiteral("Ora"), QStringLiteral("Paziente"), QStringLiteral("Telefono"),
                    QStringLiteral("Dentista"), QStringLiteral("Tentativi")},
                   {0.0, 0.09, 0.47, 0.67, 0.9},
                   {},
                   QStringLiteral("Nessun appuntamento da confermare.")};
    for (const Sheet::Line& line : sheet.lines)
        list.lines.append({line.time, line.patient, line.phone, line.dentist,
                           line.attempts > 0 ? QString::number(line.attempts) : QString()});
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

} // namespace CallListPrint
