#pragma once

#include "BenchData.h"
#include "CalvoraView.h"
#include "Database.h"
#include "Store.h"

#include <QCoreApplication>
#include <QTest>

// The agenda window as the program shows it (1440 × 900, week view) on a copy of the large database,
// made once per process and shared by the widget measurements. Each measurement puts it back into
// the state it starts from with reset().
struct AgendaEnvironment {
    Database db{BenchData::scratchFolder() + QStringLiteral("/calvora.sqlite")};
    Store store{db};
    CalvoraView view{store, AgendaPanels{}};

    AgendaEnvironment()
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

    static AgendaEnvironment& shared()
    {
        static auto* environment = new AgendaEnvironment; // lives until the process ends, like the program's
        return *environment;
    }
};
