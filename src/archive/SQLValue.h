#pragma once

#include <QList>
#include <QString>

#include <variant>

// One statement argument: a 64-bit integer, a text, or SQL NULL.
class SQLValue {
public:
    SQLValue(qint64 v) : m_value(v) {}
    SQLValue(int v) : m_value(qint64(v)) {}
    SQLValue(QString v) : m_value(std::move(v)) {}
    SQLValue(const char* v) : m_value(QString::fromUtf8(v)) {}
    [[nodiscard]] static SQLValue null() { return SQLValue(); }

    [[nodiscard]] bool isNull() const { return std::holds_alternative<std::monostate>(m_value); }
    [[nodiscard]] const qint64* integer() const { return std::get_if<qint64>(&m_value); }
    [[nodiscard]] const QString* text() const { return std::get_if<QString>(&m_value); }

private:
    SQLValue() = default;
    std::variant<std::monostate, qint64, QString> m_value;
};

using SQLArgs = QList<SQLValue>;
