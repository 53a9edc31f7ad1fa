#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class Store;

// The recall file of a month for an SMS service, in the reminders' format (semicolons, quoting, UTF-8 with
// a byte-order mark, CRLF): one row per recall of the month's list (due in it or overdue, open, not paused,
// not "do not call", consented) that has an Italian mobile number, oldest first, under the header row
// "Telefono;Paziente;Tipo;Scadenza;Ultima visita;Tentativi;Messaggio".
namespace RecallExport {

struct Row {
    QString phone; // "+39" and digits
    QString patient;
    QString kind;
    QString due;       // "15/06/2027"
    QString lastVisit; // "15/12/2026"
    int attempts = 0;
    QString message;
};

// The rows of the list of `month` (any day of it), with the practice's recall template (or the default
// one); absent with the reason in *error when the archive did not answer.
[[nodiscard]] std::optional<QList<Row>> rows(Store& store, const QDate& month, QString* error = nullptr);

// The whole file, header and byte-order mark included.
[[nodiscard]] QByteArray csv(const QList<Row>& rows);

// Writes the month's file at `path` whole or not at all (an existing file stays as it was on failure),
// a header row alone when nobody is to be called. Answers the number of rows, or the Italian reason in
// *error.
[[nodiscard]] std::optional<int> write(Store& store, const QDate& month, const QString& path, QString* error);

// "richiami-2027-06.csv".
[[nodiscard]] QString fileName(const QDate& month);

} // namespace RecallExport
