#pragma once

#include "CalvoraView.h"
#include "Database.h"
#include "DentistColumn.h"
#include "Dialogs.h"
#include "ScheduleGrid.h"
#include "FileStore.h"
#include "Store.h"
#include "TestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The agenda window on a fresh database, on Wednesday 4 December 2024 at 10:00, 1440 × 900.
class AgendaTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    Database db{":memory:"};
    FileStore store{db};
    std::unique_ptr<CalvoraView> view;

    void SetUp() override
    {
        (void)Dialogs::takeShown();
        view = std::make_unique<CalvoraView>(store, AgendaPanels{});
        view->resize(1440, 900);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    void TearDown() override
    {
        view.reset();
        QApplication::processEvents();
    }

    qint64 book(qint64 dentist, const QString& day, int start, int duration, const QString& patient = "Anna Verdi")
    {
        EXPECT_FALSE(store.save(Appointment{0, dentist, day, start, duration, patient, {}, {}, {}}));
        return db.query("SELECT MAX(id) FROM appointments", {}, [](const SQLRow& r) { return r.integer(0); }).value(0);
    }

    DentistColumn* column(int day, int dentist) { return view->grid()->column(day, dentist); }

public:
    static QPoint pointInSlot(DentistColumn* c, int slot)
    {
        const double h = c->geometryRules().rowHeight();
        return QPoint(c->width() / 2, int(slot * h + h / 2));
    }
};
