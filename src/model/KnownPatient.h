#pragma once

#include <QHash>
#include <QList>
#include <QString>

// A patient already in the agenda, with the telephone of their latest appointment that has one.
struct KnownPatient {
    QString name;
    QString phone;
    bool operator==(const KnownPatient&) const = default;
};

// Gathers known patients from appointments read newest first: a name's first row says when it was last
// seen, its first telephone is its most recent one.
class KnownPatientsNewestFirst {
public:
    void add(const QString& name, const QString& phone)
    {
        const auto at = m_at.constFind(name);
        if (at == m_at.constEnd()) {
            m_at.insert(name, m_found.size());
            m_found.append({name, phone});
        } else if (m_found[*at].phone.isEmpty()) {
            m_found[*at].phone = phone;
        }
    }
    // The most recently seen first; at most `limit`.
    [[nodiscard]] QList<KnownPatient> first(int limit) const { return m_found.mid(0, limit); }

private:
    QList<KnownPatient> m_found;
    QHash<QString, qsizetype> m_at;
};
