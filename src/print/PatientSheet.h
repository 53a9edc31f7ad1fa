#pragma once

#include "PatientLines.h"

#include <QDate>
#include <QList>
#include <QString>

// A patient's data on paper, to hand over to the patient who asked for it: the practice, the patient,
// the day it was made, then each appointment and waiting-list entry with the log's lines about it.
// A4 portrait, numbered pages.
namespace PatientSheet {

struct Sheet {
    QString studio;
    QString patient;
    QDate madeOn;
    QList<PatientLines::Line> lines;
};

// The document's title: "Dati del paziente – Rossi Maria".
[[nodiscard]] QString title(const Sheet& sheet);
// Writes the PDF file whole; false when it cannot be written.
[[nodiscard]] bool writePdf(const Sheet& sheet, const QString& path);

} // namespace PatientSheet
