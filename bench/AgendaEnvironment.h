#pragma once

#include "BackupFolder.h"
#include "BenchData.h"
#include "CalvoraView.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "FileStore.h"
#include "ServerArchive.h"
#include "SqliteArchive.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <memory>

// A connection and a store of their own on a database file, as each start of the program makes.
struct NewSession {
    explicit NewSession(const QString& file)
        : db(file)
        , store(db)
    {
    }
    Database db;
    FileStore store;
};

// The agenda window as the program shows it (1440 × 900, week view) on a copy of the large database,
// made once per process and shared by the widget measurements. Each measurement puts it back into
// the state it starts from with reset(). The same on a server: the database that $CALVORA_BENCH_SERVER
// names must hold the large agenda (copied there with calvora --copy-to-server); the measurements on
// it only read.
struct AgendaEnvironment {
    enum class Archive { File, Server };

    std::unique_ptr<Database> file; // absent on a server
    std::unique_ptr<AgendaArchive> archive;
    Store store;
    CalvoraView view{store, AgendaPanels{}};

    explicit AgendaEnvironment(Archive kind = Archive::File)
        : file(kind == Archive::File ? std::make_unique<Database>(BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite"))
                                     : nullptr)
        , archive(file ? std::unique_ptr<AgendaArchive>(std::make_unique<SqliteArchive>(*file))
                       : std::make_unique<ServerArchive>(*ConnectionLine::parse(serverLine()),
                                                          std::make_unique<BackupFolder>(QDir::tempPath())))
        , store(*archive)
    {
        // As the program does once its window is up; here waited for, so that every measurement finds
        // the search index in use.
        (void)store.prepareSearch(true);
        view.resize(1440, 900);
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
        settle();
    }

    // The pinned day's week in the given mode, fully painted, nothing pending.
    void reset(ViewMode mode)
    {
        store.showDate(BenchData::pinnedMoment().date());
        store.setMode(mode);
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    static QString serverLine() { return qEnvironmentVariable("CALVORA_BENCH_SERVER"); }

    static AgendaEnvironment& shared()
    {
        static auto* environment = new AgendaEnvironment; // lives until the process ends, like the program's
        return *environment;
    }

    // The environment on the server; absent when $CALVORA_BENCH_SERVER is not set.
    static AgendaEnvironment* sharedOnServer()
    {
        if (serverLine().isEmpty() || !ConnectionLine::parse(serverLine()))
            return nullptr;
        static auto* environment = new AgendaEnvironment(Archive::Server);
        return environment;
    }
};
