#pragma once

#include "PatientRecord.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class Store;

// A patient's data handed over: a PDF to give the patient and a spreadsheet file (Csv) with one row
// per appointment, waiting-list entry or recall and the log's lines about it. Every file written is recorded in
// the activity log as an export of the patient's data: formats and counts in its details, the name and
// the file names among its personal texts.
namespace PatientExport {

// "Rossi Maria 2026-12-08": the patient's name, with the characters that some file system refuses or
// that would name another folder replaced by "_", and the day.
[[nodiscard]] QString baseName(const QString& patient, const QDate& day);

// The spreadsheet file's bytes: the column names, then a row per line (PatientLines).
[[nodiscard]] QByteArray csv(const Store& store, const PatientRecord& record);

// Each writes its file whole (a file of the same name stays as it was on failure) and logs it; absent on
// success, else the Italian reason.
[[nodiscard]] std::optional<QString> writePdf(Store& store, const PatientRecord& record, const QString& path);
[[nodiscard]] std::optional<QString> writeCsv(Store& store, const PatientRecord& record, const QString& path);

// Both files into the folder, named baseName(patient, today) + ".pdf" / ".csv", one log entry for the
// two; absent on success (the paths in *written), else the Italian reason.
[[nodiscard]] std::optional<QString> writeFolder(Store& store, const PatientRecord& record, const QString& folder,
                                                 QStringList* written = nullptr);

} // namespace PatientExport
