#pragma once

#include <QString>

#include <functional>

// What the settings window may do with the line that names the practice's server, supplied by the
// application shell so that the window needs to know nothing of servers. Each answers with an Italian
// sentence; changes apply at the next start. Empty functions: the window offers no server line.
struct ServerLineActions {
    struct Outcome {
        bool ok = false;
        QString message;
        // A question for the user after the message (a certificate to trust), and what a yes does;
        // empty when there is nothing to ask.
        QString question = {};
        std::function<Outcome()> confirm = {};
    };
    // The line kept in the data folder; empty when there is none.
    std::function<QString()> savedLine;
    std::function<Outcome(const QString& line)> test;
    std::function<Outcome(const QString& line)> save;
    std::function<Outcome()> remove;
    // Copies this computer's agenda file into the server the line names, which must hold no
    // appointments. Empty: the window offers no copy.
    std::function<Outcome(const QString& line)> copy;
    // This start follows --server, which overrides the kept line.
    bool commandLineInUse = false;

    [[nodiscard]] bool available() const { return savedLine && test && save && remove; }
};
