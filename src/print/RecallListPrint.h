#pragma once

#include "Recall.h"

#include <QDate>
#include <QList>

class QWidget;
struct ListSheet;

// The recall list of a month on paper, for the calls: A4 portrait, one line per recall (patient, phone,
// kind, due day, last visit, attempts), "Richiami – giugno 2027" as the title and the page number on each
// sheet.
namespace RecallListPrint {

struct Sheet {
    QDate month; // any day of the list's month
    QList<Recall> recalls; // in the list's order
};

// The pages' content.
[[nodiscard]] ListSheet listSheet(const Sheet& sheet);
[[nodiscard]] int pageCount(const Sheet& sheet);

// The print preview, whose print button opens the platform's print dialog.
void print(QWidget* parent, const Sheet& sheet);
// The same pages in a PDF file; false when it cannot be written.
bool writePdf(const Sheet& sheet, const QString& path);

} // namespace RecallListPrint
