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
        // The file is damaged or is no database at all; it was left as it was found.
        Damaged,
        // The archive was made or upgraded by a newer Calvora; it was not written to.
        Newer,
        // Another program holds the file's lock (it is reading or writing it); nothing was changed.
        InUse,
        // The file was put aside under this connection and another (a restored backup) took its name; nothing
        // was written, and nothing will be until the program starts again.
        Replaced,
        // The server did not prove who it is (certificate or fingerprint); the agenda was not sent to it.
        Untrusted,
    };

    explicit DatabaseError(QString message, Kind kind = Kind::General)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString())
        , m_kind(kind)
    {
    }

    // The refusal of an archive whose version `found` is past the `known` one of this program: the same
    // words for the file and the server.
    [[nodiscard]] static DatabaseError newer(int found, int known)
    {
        return DatabaseError(QStringLiteral("l'archivio è stato creato o aggiornato da una versione più recente di "
                                            "Calvora (formato %1; questa versione di Calvora conosce fino al formato %2)")
                                 .arg(found)
                                 .arg(known),
                             Kind::Newer);
    }

    [[nodiscard]] const QString& message() const noexcept { return m_message; }
    [[nodiscard]] Kind kind() const noexcept { return m_kind; }
    [[nodiscard]] const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
    Kind m_kind;
};
