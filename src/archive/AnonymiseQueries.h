#pragma once

#include "Anonymisation.h"
#include "SQLValue.h"

#include <QSet>
#include <QString>
#include <QStringList>

// The statements both archives run to find what an anonymisation reaches, in either's dialect ("?" or
// "$1" arguments, a list of ids as JSON or as an array literal).
namespace AnonymiseQueries {

enum class Dialect { File, Server };

// A table of personal records: its texts (the patient's name and telephone first) and its day.
struct Table {
    QString name;
    QStringList texts;
    QString day;
};
[[nodiscard]] const Table& appointments();
[[nodiscard]] const Table& cancelled();
[[nodiscard]] const Table& waiting();
[[nodiscard]] const Table& recalls();

// SELECT id, texts… of the rows the scope may reach that still hold a text to replace; the caller keeps
// those Anonymisation::chosen accepts.
struct Statement {
    QString sql;
    SQLArgs args;
};
[[nodiscard]] Statement candidates(const Table& table, const AnonymiseScope& scope, Dialect dialect);
// A list of ids as the one argument of ids() below.
[[nodiscard]] SQLValue idList(const QList<qint64>& ids, Dialect dialect);
// The SQL condition "column is one of the ids of argument `argument`" (1-based).
[[nodiscard]] QString inIds(const QString& column, int argument, Dialect dialect);
// SELECT n, target, subject (0 for none), personal of the log's entries about the records, and of those that may name the scope's
// patient (the caller keeps those Anonymisation::entryNames accepts).
[[nodiscard]] Statement entries(const AnonymisedRecords& records, const AnonymiseScope& scope, Dialect dialect);

// Which of those entries the anonymisation replaces the texts of: the ones about its records and the
// ones naming its patient, unless their texts are replaced already.
class Reach {
public:
    explicit Reach(const AnonymisedRecords& records);
    [[nodiscard]] bool reaches(const QString& target, qint64 subject, const QString& personal,
                               const AnonymiseScope& scope) const;

private:
    [[nodiscard]] bool about(const QString& target, qint64 subject) const;
    QSet<qint64> m_agenda;
    QSet<qint64> m_waiting;
    QSet<qint64> m_recalls;
};

} // namespace AnonymiseQueries
