#pragma once

#include <QString>
#include <QTextStream>

#include <functional>

class Database;

// The self-check a practice can run on its own computer: a fixed series of checks on a scratch data
// folder (never the real one), one line per check beginning "OK    " or "ERRORE ", then a verdict.
namespace SelfTest {

struct Options {
    // Applied to the scratch database right after it is created (tests use it to break a rule).
    std::function<void(Database&)> afterOpen;
};

// Returns the process exit status: 0 when every check passed, 1 when any failed, 2 when the folders
// are unusable (missing, or the scratch folder already holds an agenda).
int run(const QString& scratchFolder, const QString& outputFolder, QTextStream& out, const Options& options = {});

} // namespace SelfTest
