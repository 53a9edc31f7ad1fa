#pragma once

#include <QList>
#include <QString>

class QWidget;
struct ListSheet;

// The confirmation list on paper, for the calls: A4 portrait, one line per appointment (time, patient,
// phone, dentist, attempts), the day as the title and the page number on each sheet.
namespace CallListPrint {

struct Sheet {
    QString title; // "Da confermare – giovedì 10 dicembre 2026"
    struct Line {
        QString time;
        QString patient;
        QString phone;
        QString dentist;
        int attempts = 0;
    };
    QList<Line> lines;
};

// The pages' content.
[[nodiscard]] ListSheet listSheet(const Sheet& sheet);
[[nodiscard]] int pageCount(const Sheet& sheet);

// The print preview, whose print button opens the platform's print dialog.
void print(QWidget* parent, const Sheet& sheet);
// The same pages in a PDF file; false when it cannot be written.
bool writePdf(const Sheet& sheet, const QString& path);

} // namespace CallListPrint
