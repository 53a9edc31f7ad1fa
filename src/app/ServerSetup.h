#pragma once

#include "ConnectionLine.h"

#include <QString>

#include <functional>
#include <optional>

// Which server keeps the agenda, when one does: the line given with --server for this start, else the
// line kept in the data folder's "server.txt", so that every computer of the practice is set up once.
// Without either, the agenda is the data folder's SQLite file. Changes to the file apply at the next start.
namespace ServerSetup {

inline constexpr const char* fileName = "server.txt";

// Set once from --server before the archive is opened.
void setCommandLineLine(const std::optional<QString>& line);
[[nodiscard]] std::optional<QString> commandLineLine();

// "<data folder>/server.txt".
[[nodiscard]] QString filePath();

inline constexpr const char* fingerprintsFileName = "server-fingerprints.txt";
// "<data folder>/server-fingerprints.txt": the server certificates confirmed on this computer.
[[nodiscard]] QString fingerprintsPath();
// The line as the server layer takes it, with the certificates confirmed on this computer; absent with
// the Italian reason as for ConnectionLine::parse.
[[nodiscard]] std::optional<ConnectionLine> connectionLine(const QString& line, QString* reason = nullptr);

// The file's first line that is neither blank nor a comment ("#"); absent when there is no file or no
// such line. A file that exists but cannot be read gives an Italian reason in *error.
[[nodiscard]] std::optional<QString> savedLine(QString* error = nullptr);

// The line this start uses and where it comes from ("--server" or the file's path).
struct Active {
    QString line;
    QString origin;
};
// Absent: the data folder's file keeps the agenda. *error as for savedLine.
[[nodiscard]] std::optional<Active> activeLine(QString* error = nullptr);

// What the settings window asks, with an Italian sentence for each outcome.
struct Outcome {
    bool ok = false;
    QString message;
    // When the server showed a certificate that nobody vouches for: the question whether to trust it
    // (with its fingerprint), and what trusting it does (keeps the fingerprint, then tests again).
    QString question = {};
    std::function<Outcome()> trust = {};
};
// Connects with the line and looks at its database, writing nothing.
[[nodiscard]] Outcome test(const QString& line);
// Keeps the line (checked, without password) in the file, replacing it whole or not at all.
[[nodiscard]] Outcome save(const QString& line);
// Removes the file: from the next start the data folder's file keeps the agenda.
[[nodiscard]] Outcome remove();

// "<data folder>/calvora.sqlite", the agenda a practice moves onto its server.
[[nodiscard]] QString agendaFile();
// Copies that file into the server the line names, which must hold no appointments (ServerCopy), and
// says what the server counts afterwards or why nothing was copied. Changes nothing in the data folder.
[[nodiscard]] Outcome copyToServer(const QString& line);

} // namespace ServerSetup
