#pragma once

#include "Appointment.h"
#include "IndexedTexts.h"
#include "KnownPatient.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the search, the patient suggestions and the treatment counts read of every appointment, kept in
// memory so that they need not read the whole agenda: its id, day, start, and the patient, phone and
// treatment (each distinct text once). It answers exactly as the archive's own queries do: LIKE
// "%text%" folding A to Z only, appointments by day, start and id, newest first, and treatments counted
// exactly as written, the most used first and equally used ones in byte order. Values it cannot keep
// exactly (a day that is not YYYY-MM-DD, text that is not UTF-8, numbers out of range) make it unusable:
// the archive then answers with its queries. Not thread-safe; built on one thread, then used on the
// main thread only.
class SearchIndex {
public:
    struct Row {
        qint64 id = 0;
        QByteArrayView day;
        qint64 start = 0;
        QByteArrayView patient;
        QByteArrayView phone;
        QByteArrayView treatment;
    };


    // Adds a row while the index is built, in any order; finish() sorts them once.
    void append(const Row& row);
    void finish();
    // The archive's own writes, once built: adds or replaces the row with that id; removes it.
    void put(const Row& row);
    void put(const Appointment& a);
    void remove(qint64 id);
    // A value was met that the index cannot keep exactly.
    void markUnusable() { m_usable = false; }

    [[nodiscard]] bool usable() const { return m_usable; }
    [[nodiscard]] qsizetype size() const { return qsizetype(m_rows.size()); }
    // The memory the index takes, in bytes.
    [[nodiscard]] qint64 bytes() const;

    // The text of a search pattern made by LikePattern::containing, A to Z folded: not empty, no NUL,
    // not longer than a few thousand bytes. Absent otherwise.
    [[nodiscard]] static std::optional<QByteArray> literal(const QString& pattern);
    // The ids of up to `limit` appointments whose patient, phone or treatment holds the folded text,
    // newest first.
    [[nodiscard]] QList<qint64> search(const QByteArray& folded, int limit) const;
    // The patients whose name holds the folded text, each with the phone of their most recent
    // appointment that has one, the most recently seen first; at most `limit`.
    [[nodiscard]] QList<KnownPatient> knownPatients(const QByteArray& folded, int limit) const;
    // Up to `limit` non-empty treatments, the most used first.
    [[nodiscard]] QStringList mostUsedTreatments(int limit) const;

private:
    struct Entry {
        qint64 id = 0;
        qint32 day = 0; // yyyymmdd
        qint32 start = 0;
        quint32 patient = 0;
        quint32 phone = 0;
        quint32 treatment = 0;
    };
    [[nodiscard]] std::optional<Entry> entry(const Row& row);
    [[nodiscard]] bool before(const Entry& a, const Entry& b) const;
    void count(const Entry& e, int delta);

    bool m_usable = true;
    std::vector<Entry> m_rows; // oldest first
    IndexedTexts m_patients;
    IndexedTexts m_phones;
    IndexedTexts m_treatments;
    std::vector<qint64> m_uses; // by treatment number
};
