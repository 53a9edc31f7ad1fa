#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reads back a semicolon-separated file as a spreadsheet does: a byte-order mark is dropped, a quoted
// field may hold semicolons, doubled quotes and line breaks, and records end with CRLF. A stray bare LF
// or CR outside quotes, or text after a closing quote, makes the whole file unreadable (empty result).
namespace CsvRows {

inline QList<QStringList> parse(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool closed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
                closed = true;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !closed) {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
            closed = false;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            rows << (row << field);
            row.clear();
            field.clear();
            closed = false;
            ++i;
        } else if (c == u'\r' || c == u'\n' || closed) {
            return {};
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !row.isEmpty())
        return {}; // the last record must end with CRLF
    return rows;
}

} // namespace CsvRows
