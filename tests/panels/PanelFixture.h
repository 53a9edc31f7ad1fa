#pragma once

#include "Database.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "Store.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

// A store on a fresh in-memory database (dentists 1–3 named "Dentista 1"…), the clock pinned to
// Wednesday 4 December 2024 at 10:00, no queued dialog answers and no desktop launches.
class PanelTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    Database db{":memory:"};
    Store store{db};
    QStringList revealed;
    QStringList opened;

    void SetUp() override
    {
        (void)Dialogs::takeShown();
        Desktop::setRevealHandler([this](const QString& path) { revealed.append(path); });
        Desktop::setOpenHandler([this](const QString& path) { opened.append(path); });
    }

    void TearDown() override
    {
        Desktop::setRevealHandler({});
        Desktop::setOpenHandler({});
    }

    // Stores an appointment through the store and returns it as stored (with its id).
    Appointment book(qint64 dentist, const QString& day, int start, int duration, const QString& patient,
                     const QString& phone = {}, const QString& treatment = {})
    {
        const Appointment a{0, dentist, day, start, duration, patient, phone, treatment, {}};
        EXPECT_EQ(store.save(a), std::nullopt);
        const QList<Appointment> rows = store.fetchAppointments(day, day);
        for (const Appointment& r : rows)
            if (r.dentistId == dentist && r.startMinutes == start)
                return r;
        ADD_FAILURE() << "appointment not stored";
        return a;
    }

    qint64 count(const QString& where = "1")
    {
        return db
            .query("SELECT COUNT(*) FROM appointments WHERE " + where, {},
                   [](const SQLRow& r) { return r.integer(0); })
            .value(0);
    }

    // Makes every change of a dentist row fail inside the database.
    void blockDentistUpdates()
    {
        db.execute("CREATE TRIGGER block_dentists BEFORE UPDATE ON dentists "
                   "BEGIN SELECT RAISE(ABORT, 'archivio bloccato'); END");
    }
    void unblockDentistUpdates() { db.execute("DROP TRIGGER block_dentists"); }
};
