#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The CSV files the practice opens in a spreadsheet: fields separated by ';', quoted when they hold a
// ';', a quote or a line break, lines ended by CR LF, UTF-8 with a byte-order mark (so that accents
// survive the common spreadsheets).
namespace Csv {

[[nodiscard]] QByteArray document(const QList<QStringList>& rows);
// Writes a document at `path` whole or not at all (a file already there stays as it was on failure);
// false with the Italian reason in *error.
[[nodiscard]] bool write(const QString& path, const QByteArray& document, QString* error);

} // namespace Csv
