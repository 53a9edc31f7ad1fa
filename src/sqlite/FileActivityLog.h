#pragma once

#include "AgendaArchive.h"

#include <QString>

struct sqlite3;
class Database;

// The activity log of the file. Installed on the program's own write connection, it registers the SQL
// functions that give the log its context (who, which act, now, the seal) and temporary triggers on
// every table of the agenda, so that each write, whichever statement makes it, adds its entry inside its
// own transaction: a refused or failed change leaves none. Other programs' connections carry no
// triggers: an entry they add or change breaks the chain.
class FileActivityLog {
public:
    // Installs the log on the database's connection and on every one that takes its place; removes it
    // when destroyed. The database must outlive the log.
    explicit FileActivityLog(Database& db);
    ~FileActivityLog();
    FileActivityLog(const FileActivityLog&) = delete;
    FileActivityLog& operator=(const FileActivityLog&) = delete;

    void setActor(const AgendaArchive::Actor& actor) { m_context.actor = actor; }
    void setAction(const QString& action) { m_context.action = action; }
    // While set, a changed row of the agenda leaves no entry of its own: the anonymisation's rows, whose
    // entries would copy the name into the log, are told by its one entry.
    void setQuiet(bool quiet) { m_context.quiet = quiet; }
    // Appends a practice-level entry; `personal` (a JSON object, or empty) gets its salt here.
    void logEvent(const QString& action, const QString& target, const QString& details, const QString& personal);

    // Reading needs no installation: these work on any connection, read-only ones included.
    static void forEach(Database& db, const std::function<bool(const ActivityEntry&)>& visit);
    [[nodiscard]] static QList<ActivityEntry> of(Database& db, const QString& target, qint64 subject);
    [[nodiscard]] static QList<ActivityEntry> page(Database& db, const LogFilter& filter, int limit);

    // What the SQL functions read.
    struct Context {
        AgendaArchive::Actor actor;
        QString action;
        bool quiet = false;
    };

private:
    Database& m_db;
    Context m_context;
};
