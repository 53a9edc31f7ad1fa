#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class Store;

// The reminder file of a day for an SMS service: one row per appointment of the day that has an Italian
// mobile number (cancelled ones have left the agenda; landlines stay out, they are called). Semicolons
// between fields, a field quoted when it holds a semicolon, a quote or a line break (quotes doubled),
// UTF-8 with a byte-order mark so that spreadsheets read the accents, CRLF line ends, and the header
// row "Telefono;Paziente;Data;Ora;Dentista;Stato;Messaggio".
namespace ReminderExport {

struct Row {
    QString phone; // "+39" and digits
    QString patient;
    QString date; // "09/12/2026"
    QString time; // "10:30"
    QString dentist;
    QString status; // "Da confermare", "Confermato", …
    QString message;
};

// The rows of the day, in time order, with the practice's template (or the default one); absent with
// the reason in *error when the archive did not answer.
[[nodiscard]] std::optional<QList<Row>> rows(Store& store, const QDate& day, QString* error = nullptr);

// The whole file, header and byte-order mark included.
[[nodiscard]] QByteArray csv(const QList<Row>& rows);

// Writes the day's file at `path` whole or not at all (an existing file stays as it was on failure).
// Answers the number of rows, or the Italian reason in *error.
[[nodiscard]] std::optional<int> write(Store& store, const QDate& day, const QString& path, QString* error);

// "promemoria-2026-12-09.csv".
[[nodiscard]] QString fileName(const QDate& day);

} // namespace ReminderExport
