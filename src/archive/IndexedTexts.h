#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

// Distinct texts of one column, each kept once: as written (UTF-8 bytes) and as LIKE compares it (A to Z
// folded, up to the first NUL, which ends a value for LIKE), numbered in order of arrival. Searching a
// few thousand distinct names or a few hundred thousand distinct phones is one pass over one buffer.
class IndexedTexts {
public:
    IndexedTexts();

    // The number of the text, adding it when new; absent when it is not valid UTF-8 (LIKE would then
    // compare characters that the bytes do not spell).
    [[nodiscard]] std::optional<quint32> intern(QByteArrayView text);
    [[nodiscard]] QByteArrayView text(quint32 number) const;
    [[nodiscard]] quint32 count() const { return quint32(m_starts.size() - 1); }
    // Sets hits[n] for every text n whose folded form holds `folded` (A to Z already folded, not empty,
    // no NUL); hits has count() entries.
    void markHolding(QByteArrayView folded, std::vector<char>& hits) const;
    // The memory the texts take, in bytes.
    [[nodiscard]] qint64 bytes() const;

private:
    [[nodiscard]] std::optional<quint32> find(QByteArrayView text, size_t hash, size_t& slot) const;
    void growSlots();

    QByteArray m_texts;
    std::vector<quint32> m_starts;
    QByteArray m_folded; // each folded text followed by a NUL
    std::vector<quint32> m_foldedStarts;
    std::vector<quint32> m_slots; // open addressing: a text's number + 1, 0 for a free slot
};
