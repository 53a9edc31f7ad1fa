#pragma once

#include <QStringList>

// "calvora --export-patient "<name>" <folder>": a patient's own data (every appointment under that name,
// cancelled ones and the waiting list, with the log's lines about them) written as a PDF and a spreadsheet
// file into the folder, from the archive the program would open, without a window.
namespace PatientExportCommand {

[[nodiscard]] bool requested(const QStringList& arguments);
// Writes the two files and answers the exit status: 0 when written (their paths on stdout), 1 with an
// Italian message on stderr. Needs a QGuiApplication (the PDF's fonts).
[[nodiscard]] int run(const QStringList& arguments);

} // namespace PatientExportCommand
