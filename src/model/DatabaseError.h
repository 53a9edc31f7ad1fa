#pragma once

#include <QString>

#include <exception>
#include <string>

// The one storage error, whichever archive keeps the agenda. Its message is what callers show, usually
// after an Italian prefix. The kind tells the few failures that callers treat on their own.
class DatabaseError : public std::exception {
public:
    enum class Kind {
        General,
        // The archive itself refused a second appointment of a dentist over the same time.
        Overlap,
        // The archive cannot be reached (a server that went away); nothing was written.
        Unavailable,
    };

    explicit DatabaseError(QString message, Kind kind = Kind::General)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString())
        , m_kind(kind)
    {
    }

    [[nodiscard]] const QString& message() const noexcept { return m_message; }
    [[nodiscard]] Kind kind() const noexcept { return m_kind; }
    [[nodiscard]] const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
    Kind m_kind;
};
