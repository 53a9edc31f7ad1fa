#pragma once

#include <QString>

#include <exception>
#include <string>

// The one storage error. Its message is what callers show, usually after an Italian prefix.
class DatabaseError : public std::exception {
public:
    explicit DatabaseError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString())
    {
    }

    [[nodiscard]] const QString& message() const noexcept { return m_message; }
    [[nodiscard]] const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};
