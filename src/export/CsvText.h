#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The spreadsheet files the program writes: semicolons between fields, a field quoted when it holds a
// semicolon, a quote or a line break (quotes doubled), CRLF line ends, UTF-8 with a byte-order mark so
// that spreadsheets read the accents.
namespace CsvText {

// The whole file of these rows (the first one usually the column names).
[[nodiscard]] QByteArray file(const QList<QStringList>& rows);

} // namespace CsvText
