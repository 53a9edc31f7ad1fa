#include "SearchIndex.h"

#include "LikePattern.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace {

// LIKE refuses patterns past 50,000 bytes; such texts are left to the archive's query.
constexpr qsizetype longestLiteral = 4000;

std::optional<qint32> dayNumber(QByteArrayView day)
{
    if (day.size() != 10 || day[4] != '-' || day[7] != '-')
        return std::nullopt;
    qint32 number = 0;
    for (const qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (day[i] < '0' || day[i] > '9')
            return std::nullopt;
        number = number * 10 + (day[i] - '0');
    }
    return number;
}

bool fitsInt32(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

} // namespace

std::optional<SearchIndex::Entry> SearchIndex::entry(const Row& row)
{
    const std::optional<qint32> day = dayNumber(row.day);
    if (!day || !fitsInt32(row.start))
        return std::nullopt;
    const std::optional<quint32> patient = m_patients.intern(row.patient);
    const std::optional<quint32> phone = m_phones.intern(row.phone);
    const std::optional<quint32> treatment = m_treatments.intern(row.treatment);
    if (!patient || !phone || !treatment)
        return std::nullopt;
    if (m_uses.size() < m_treatments.count())
        m_uses.resize(m_treatments.count(), 0);
    return Entry{row.id, *day, qint32(row.start), *patient, *phone, *treatment};
}

bool SearchIndex::before(const Entry& a, const Entry& b) const
{
    if (a.day != b.day)
        return a.day < b.day;
    if (a.start != b.start)
        return a.start < b.start;
    return a.id < b.id;
}

void SearchIndex::count(const Entry& e, int delta)
{
    m_uses[e.treatment] += delta;
}

void SearchIndex::append(const Row& row)
{
    const std::optional<Entry> e = entry(row);
    if (!e) {
        m_usable = false;
        return;
    }
    m_rows.push_back(*e);
    count(*e, 1);
}

void SearchIndex::finish()
{
    std::sort(m_rows.begin(), m_rows.end(), [this](const Entry& a, const Entry& b) { return before(a, b); });
    m_rows.shrink_to_fit();
}

void SearchIndex::remove(qint64 id)
{
    const auto at = std::find_if(m_rows.begin(), m_rows.end(), [id](const Entry& e) { return e.id == id; });
    if (at == m_rows.end())
        return;
    count(*at, -1);
    m_rows.erase(at);
}

void SearchIndex::put(const Row& row)
{
    remove(row.id);
    const std::optional<Entry> e = entry(row);
    if (!e) {
        m_usable = false;
        return;
    }
    // New appointments are mostly the newest, near the end: little to move.
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), *e,
                                     [this](const Entry& a, const Entry& b) { return before(a, b); });
    m_rows.insert(at, *e);
    count(*e, 1);
}

void SearchIndex::put(const Appointment& a)
{
    const QByteArray day = a.day.toUtf8();
    const QByteArray patient = a.patient.toUtf8();
    const QByteArray phone = a.phone.toUtf8();
    const QByteArray treatment = a.treatment.toUtf8();
    put(Row{a.id, day, a.startMinutes, patient, phone, treatment});
}

qint64 SearchIndex::bytes() const
{
    return qint64(m_rows.capacity() * sizeof(Entry) + m_uses.capacity() * sizeof(qint64)) + m_patients.bytes()
        + m_phones.bytes() + m_treatments.bytes();
}

std::optional<QByteArray> SearchIndex::literal(const QString& pattern)
{
    const std::optional<QString> contained = LikePattern::containedText(pattern);
    if (!contained)
        return std::nullopt;
    QByteArray text = contained->toUtf8();
    // LIKE measures the whole pattern, escapes included.
    if (text.isEmpty() || pattern.toUtf8().size() > longestLiteral || text.contains('\0'))
        return std::nullopt;
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    return text;
}

QList<qint64> SearchIndex::search(const QByteArray& folded, int limit) const
{
    std::vector<char> patients(m_patients.count(), 0);
    std::vector<char> phones(m_phones.count(), 0);
    std::vector<char> treatments(m_treatments.count(), 0);
    m_patients.markHolding(folded, patients);
    m_phones.markHolding(folded, phones);
    m_treatments.markHolding(folded, treatments);
    QList<qint64> found;
    const auto any = [](const std::vector<char>& hits) { return std::find(hits.begin(), hits.end(), 1) != hits.end(); };
    if (!any(patients) && !any(phones) && !any(treatments))
        return found;
    for (auto e = m_rows.rbegin(); e != m_rows.rend() && found.size() < limit; ++e)
        if (patients[e->patient] | phones[e->phone] | treatments[e->treatment])
            found.append(e->id);
    return found;
}

QList<KnownPatient> SearchIndex::knownPatients(const QByteArray& folded, int limit) const
{
    std::vector<char> hits(m_patients.count(), 0);
    m_patients.markHolding(folded, hits);
    // Newest first: a name's first appointment says when it was last seen, its first phone is its most
    // recent one. Once `limit` names are found, only their phones are still looked for.
    QList<quint32> names;
    QList<quint32> phones;
    qsizetype missingPhones = 0;
    const quint32 noPhone = std::numeric_limits<quint32>::max();
    for (auto e = m_rows.rbegin(); e != m_rows.rend(); ++e) {
        if (!hits[e->patient])
            continue;
        const bool hasPhone = !m_phones.text(e->phone).isEmpty();
        const qsizetype at = names.indexOf(e->patient);
        if (at < 0) {
            if (names.size() >= limit)
                continue;
            names.append(e->patient);
            phones.append(hasPhone ? e->phone : noPhone);
            missingPhones += hasPhone ? 0 : 1;
        } else if (phones[at] == noPhone && hasPhone) {
            phones[at] = e->phone;
            --missingPhones;
        }
        if (names.size() >= limit && missingPhones == 0)
            break;
    }
    QList<KnownPatient> found;
    for (qsizetype i = 0; i < names.size(); ++i)
        found.append({QString::fromUtf8(m_patients.text(names[i])),
                      phones[i] == noPhone ? QString() : QString::fromUtf8(m_phones.text(phones[i]))});
    return found;
}

QStringList SearchIndex::mostUsedTreatments(int limit) const
{
    std::vector<quint32> used;
    for (quint32 n = 0; n < m_treatments.count(); ++n)
        if (m_uses[n] > 0 && !m_treatments.text(n).isEmpty())
            used.push_back(n);
    const auto text = [this](quint32 n) {
        const QByteArrayView t = m_treatments.text(n);
        return std::string_view(t.data(), size_t(t.size()));
    };
    std::sort(used.begin(), used.end(), [&](quint32 a, quint32 b) {
        if (m_uses[a] != m_uses[b])
            return m_uses[a] > m_uses[b];
        return text(a) < text(b);
    });
    QStringList result;
    for (size_t i = 0; i < used.size() && i < size_t(std::max(limit, 0)); ++i)
        result.append(QString::fromUtf8(m_treatments.text(used[i])));
    return result;
}
