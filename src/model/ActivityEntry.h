#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

// One entry of the activity log: who did what to which record, when, from where. Entries are numbered
// 1, 2, … without gaps and each carries a hash chained to the one before it, so that a changed,
// removed or inserted entry shows. The personal texts (patient, phone, treatment, notes) are kept
// apart in `personal` and only their digest enters the chain: an anonymisation replaces them and the
// chain still verifies.
struct ActivityEntry {
    qint64 n = 0;
    // When, in UTC: "yyyy-MM-ddTHH:mm:ss.zzzZ".
    QString at;
    // What was done ('book', 'edit', 'move', 'copy', 'status', 'cancel', 'delete', 'restore', 'undo',
    // 'redo', 'settings', 'print', 'export', 'backup', 'anonymise', … or 'sql' for a client that is not
    // this program).
    QString action;
    // What it was done to ('appointment', 'status', 'cancellation', 'waiting', 'dentist', 'setting',
    // 'agenda', 'patient', …).
    QString target;
    // The record's id (an appointment, a waiting-list entry, a dentist), when the entry is about one.
    std::optional<qint64> subject;
    // The computer's name, the operating-system account and the operator named in the program (empty
    // when the practice has named none).
    QString computer;
    QString account;
    QString operatorName;
    // On the server: the database role, the application's name and the client's address; empty on the
    // file.
    QString client;
    // A JSON object of what changed that is not personal ({"field": [before, after], …} or the act's
    // own facts), as stored.
    QString details;
    // A JSON object of the personal texts involved, with a random salt (so that the digest cannot be
    // confirmed by guessing a name once the texts are gone), as stored.
    QString personal;
    // Lower-case hex SHA-256 of `personal` as first written.
    QString personalDigest;
    // Lower-case hex SHA-256 of the canonical form (ActivityChain::canonical).
    QString hash;

    bool operator==(const ActivityEntry&) const = default;
};

// Which entries a page of the log shows; an empty or absent criterion lets every entry through.
struct LogFilter {
    // A day of the local calendar on which the entry was made.
    std::optional<QDate> day;
    QString computer;
    QString operatorName;
    QString action;
    // Text held by the patient's name in the entry's personal texts (A to Z in either case).
    QString patient;
    // Only entries numbered below this one (the next page after an entry).
    std::optional<qint64> before;
    // Only entries numbered above this one (what came since an entry already seen).
    std::optional<qint64> after;
};

namespace ActivityChain {

// The text that replaces every personal text of an anonymised entry.
inline constexpr auto anonymised = u"Paziente anonimizzato";

// The previous hash of entry 1: sixty-four zeros.
[[nodiscard]] QString genesis();
// Lower-case hex SHA-256 of the text's UTF-8 bytes.
[[nodiscard]] QString digest(const QString& text);
// One field of the canonical form: backslash doubled, line feed written as backslash-n, so that no
// field can run into the next.
[[nodiscard]] QString escaped(const QString& field);
// The canonical form hashed for an entry: the previous entry's hash, then n, at, action, target,
// subject (decimal, empty when none), computer, account, operator, client, details and personal
// digest, each escaped, joined by line feeds.
[[nodiscard]] QString canonical(const QString& previousHash, const ActivityEntry& entry);
// digest(canonical(previousHash, entry)).
[[nodiscard]] QString hash(const QString& previousHash, const ActivityEntry& entry);
// The entry completed for appending after `previousHash`: its personal digest (of `personal` as given)
// and its hash. n, at and the other fields are the caller's.
[[nodiscard]] ActivityEntry sealed(ActivityEntry entry, const QString& previousHash);

// The outcome of reading the whole chain.
struct Verdict {
    qint64 entries = 0;
    // The number of the first entry found wrong (absent when the chain is whole) and what is wrong.
    std::optional<qint64> firstBad;
    QString problem;
    [[nodiscard]] bool intact() const { return !firstBad; }
    // "Registro integro: N voci", or the Italian sentence naming the first entry found wrong.
    [[nodiscard]] QString message() const;
};

// Checks entries given in the order of their numbers, one by one (so that millions need no memory).
// An entry whose personal texts no longer match their digest passes only when they are all the
// anonymised text and a later 'anonymise' entry names its number in its details ("entries": [n, …]);
// the caller gives those numbers through `anonymisedLater`, read before the walk.
class Verifier {
public:
    explicit Verifier(std::function<bool(qint64 n)> anonymisedLater = {});
    // Takes the next entry; false once the chain is found broken (later entries are not judged).
    bool add(const ActivityEntry& entry);
    // The verdict on the entries given so far.
    [[nodiscard]] Verdict verdict() const;

private:
    bool fail(qint64 n, QString problem);
    static ActivityEntry withNumber(ActivityEntry e, qint64 n);
    std::function<bool(qint64)> m_anonymisedLater;
    QString m_previousHash;
    QString m_hashBeforePrevious;
    qint64 m_expected = 1;
    // An entry whose hash did not follow: the next one tells whether it was changed or slipped in.
    std::optional<ActivityEntry> m_pending;
    Verdict m_verdict;
};

// Whether every personal text of the entry's JSON object is the anonymised text (or empty), the salt
// excepted.
[[nodiscard]] bool personalAnonymised(const QString& personal);

} // namespace ActivityChain
