#pragma once

#include <QString>

#include <optional>

// The archives' search patterns: LIKE patterns with "\" as the escape character, so that typed text,
// "%", "_" and "\" included, is matched literally.
namespace LikePattern {

// The pattern of every text that holds `text`.
[[nodiscard]] inline QString containing(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'%';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    escaped += u'%';
    return escaped;
}

// The text of a pattern made by containing(); absent for any other pattern.
[[nodiscard]] inline std::optional<QString> containedText(const QString& pattern)
{
    if (pattern.size() < 2 || !pattern.startsWith(u'%') || !pattern.endsWith(u'%'))
        return std::nullopt;
    QString text;
    for (qsizetype i = 1; i < pattern.size() - 1; ++i) {
        const QChar c = pattern[i];
        if (c == u'%' || c == u'_')
            return std::nullopt;
        if (c == u'\\') {
            if (++i == pattern.size() - 1)
                return std::nullopt;
            text += pattern[i];
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace LikePattern
