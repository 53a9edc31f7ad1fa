#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's options. Arguments are compared whole and case-sensitively; anything else is ignored,
// and the program's own path in position 0 takes part in the search like any other argument.
namespace CommandLine {

// The argument after the first "--data-dir", as an absolute folder path; absent when it is the last.
[[nodiscard]] std::optional<QString> dataFolder(const QStringList& arguments);
[[nodiscard]] bool selfTest(const QStringList& arguments);
// The folder after the first "--screenshots"; absent when there is no such option or no folder.
[[nodiscard]] std::optional<QString> screenshotFolder(const QStringList& arguments);
// The connection line after the first "--server", exactly as given; absent when it is the last argument.
[[nodiscard]] std::optional<QString> serverLine(const QStringList& arguments);
// Whether the practice's agenda file is to be copied onto a server ("--copy-to-server").
[[nodiscard]] bool copyToServer(const QStringList& arguments);
// The connection line after the first "--copy-to-server", exactly as given; absent when it is the last argument.
[[nodiscard]] std::optional<QString> copyToServerLine(const QStringList& arguments);
// The folder after the first "--out" (self-check output).
[[nodiscard]] std::optional<QString> outputFolder(const QStringList& arguments);

} // namespace CommandLine
