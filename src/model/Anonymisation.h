#pragma once

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The records an anonymisation reached, by id: appointments in the agenda, cancelled appointments (the
// two share their ids: a cancellation moves the row), waiting-list entries and recalls.
struct AnonymisedRecords {
    QList<qint64> appointments;
    QList<qint64> cancelled;
    QList<qint64> waiting;
    QList<qint64> recalls;

    [[nodiscard]] bool isEmpty() const
    {
        return appointments.isEmpty() && cancelled.isEmpty() && waiting.isEmpty() && recalls.isEmpty();
    }
    [[nodiscard]] qsizetype size() const
    {
        return appointments.size() + cancelled.size() + waiting.size() + recalls.size();
    }
    bool operator==(const AnonymisedRecords&) const = default;
};

// Which records an anonymisation replaces the personal texts of; exactly one criterion is set.
struct AnonymiseScope {
    // A patient: every record whose name is this one, trimmed and in any letter case; when `phones` is
    // not empty, only those whose telephone (trimmed) is one of them ("" stands for no telephone), so
    // that a namesake is spared. The log's entries that name the patient (told apart by telephone the
    // same way) are replaced too.
    QString patient;
    QStringList phones;
    // Retention: every record whose day (for a waiting-list entry its last wanted day, for a recall its
    // due day, else its first) lies before this day.
    std::optional<QDate> before;
    // Records named by id: an earlier anonymisation applied again (after an older backup came back).
    AnonymisedRecords records;
    // What the log's entry says of why ('patient', 'retention', 'restore').
    QString reason;
};

namespace Anonymisation {

// The text that takes the place of a non-empty personal text; an empty one stays empty.
[[nodiscard]] QString neutral(const QString& text);
// Whether a record's texts still hold anything to replace.
[[nodiscard]] bool needed(const QStringList& texts);
// The personal texts of a log entry (a JSON object) with every non-empty text, alone or in a
// [before, after] pair, replaced; the salt kept.
[[nodiscard]] QString neutralPersonal(const QString& personal);
// Whether two patient names are the same one: trimmed, in any letter case.
[[nodiscard]] bool samePatient(const QString& a, const QString& b);
// Whether a record's telephone is among the chosen ones (all are when none was chosen).
[[nodiscard]] bool phoneChosen(const QString& phone, const QStringList& phones);
// Whether the scope takes a record with this name and telephone (for a patient, the same name and a
// chosen telephone; any record for the other criteria, which the query itself decides).
[[nodiscard]] bool chosen(const AnonymiseScope& scope, const QString& patient, const QString& phone);
// A LIKE pattern ("\" escapes) matching at least every text that holds the name in any letter case:
// the letters beyond A to Z, which LIKE compares as they are, stand for any one character.
[[nodiscard]] QString candidatePattern(const QString& name);
// Whether a log entry's personal texts name the scope's patient (alone or in a [before, after] pair)
// with none of its telephones outside the chosen ones.
[[nodiscard]] bool entryNames(const QString& personal, const AnonymiseScope& scope);
// The details of the one 'anonymise' entry: the entries whose texts were replaced, how many records of
// each kind, why, and the scope's day limit or else the records' ids; never the name.
[[nodiscard]] QJsonObject details(const AnonymisedRecords& records, const QList<qint64>& entries,
                                  const AnonymiseScope& scope);

// The records' ids as JSON, {"appointments": […], "cancelled": […], "waiting": […], "recalls": […]}, and
// read back (a list an older entry lacks is empty).
[[nodiscard]] QJsonObject recordsJson(const AnonymisedRecords& records);
[[nodiscard]] AnonymisedRecords recordsFrom(const QJsonObject& o);

// What an 'anonymise' entry's details say was reached, for another computer to remember: the records'
// ids (none in an entry written before the ids were listed) and the day limit, if any.
struct Reached {
    AnonymisedRecords records;
    std::optional<QDate> before;
};
[[nodiscard]] Reached reachedBy(const QString& details);

} // namespace Anonymisation
