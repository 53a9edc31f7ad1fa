#include "IndexedTexts.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>

IndexedTexts::IndexedTexts()
    : m_starts{0}
    , m_foldedStarts{0}
    , m_slots(1024, 0)
{
}

QByteArrayView IndexedTexts::text(quint32 number) const
{
    return QByteArrayView(m_texts.constData() + m_starts[number], m_starts[number + 1] - m_starts[number]);
}

std::optional<quint32> IndexedTexts::find(QByteArrayView text, size_t hash, size_t& slot) const
{
    const size_t mask = m_slots.size() - 1;
    for (slot = hash & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const quint32 number = m_slots[slot] - 1;
        const QByteArrayView known = this->text(number);
        // An empty view may have no data at all, which memcmp must not be given.
        if (known.size() == text.size()
            && (text.isEmpty() || std::memcmp(known.data(), text.data(), size_t(text.size())) == 0))
            return number;
    }
    return std::nullopt;
}

std::optional<quint32> IndexedTexts::intern(QByteArrayView text)
{
    const size_t hash = qHash(text);
    size_t slot = 0;
    if (const std::optional<quint32> known = find(text, hash, slot))
        return known;
    if (!text.isValidUtf8())
        return std::nullopt;
    const quint32 number = count();
    m_texts.append(text.data(), text.size());
    m_starts.push_back(quint32(m_texts.size()));
    const qsizetype end = text.indexOf('\0');
    const qsizetype foldedSize = m_folded.size();
    m_folded.append(text.data(), end < 0 ? text.size() : end);
    for (char* c = m_folded.data() + foldedSize; c != m_folded.data() + m_folded.size(); ++c)
        if (*c >= 'A' && *c <= 'Z')
            *c = char(*c + ('a' - 'A'));
    m_folded.append('\0');
    m_foldedStarts.push_back(quint32(m_folded.size()));
    m_slots[slot] = number + 1;
    if (size_t(count()) * 2 > m_slots.size())
        growSlots();
    return number;
}

void IndexedTexts::growSlots()
{
    m_slots.assign(m_slots.size() * 2, 0);
    const size_t mask = m_slots.size() - 1;
    for (quint32 number = 0; number < count(); ++number) {
        size_t slot = qHash(text(number)) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = number + 1;
    }
}

void IndexedTexts::markHolding(QByteArrayView folded, std::vector<char>& hits) const
{
    const char* const base = m_folded.constData();
    const char* const end = base + m_folded.size();
    const char* at = base;
    while (at < end) {
        const void* found = memmem(at, size_t(end - at), folded.data(), size_t(folded.size()));
        if (!found)
            return;
        // The needle holds no NUL, so a match lies inside one text: mark it and go on with the next.
        const auto offset = quint32(static_cast<const char*>(found) - base);
        const auto next = std::upper_bound(m_foldedStarts.begin(), m_foldedStarts.end(), offset);
        hits[size_t(next - m_foldedStarts.begin() - 1)] = 1;
        at = base + *next;
    }
}

qint64 IndexedTexts::bytes() const
{
    return m_texts.capacity() + m_folded.capacity()
        + qint64((m_starts.capacity() + m_foldedStarts.capacity() + m_slots.capacity()) * sizeof(quint32));
}
