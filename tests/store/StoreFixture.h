#pragma once

#include "Database.h"
#include "FileStore.h"
#include "Scalar.h"
#include "Store.h"
#include "TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

// A store on a fresh database, with the clock pinned to Wednesday 4 December 2024 at 10:00.
class StoreTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    Database db{":memory:"};
    std::unique_ptr<Store> store = std::make_unique<FileStore>(db);

    static Appointment booking(qint64 dentist, const QString& day, int start, int duration,
                               const QString& patient = "Mario Rossi")
    {
        return Appointment{0, dentist, day, start, duration, patient, {}, {}, {}};
    }

    // Written past the store, as another part of the program or another computer would.
    static void insert(Database& to, const QString& day, int start, const QString& patient,
                       const QString& phone = {}, const QString& treatment = {})
    {
        to.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment) "
               "VALUES (1, ?, ?, 15, ?, ?, ?)",
               {day, start, patient, phone, treatment});
    }

    static QStringList patients(const QList<Appointment>& list)
    {
        QStringList names;
        for (const Appointment& a : list)
            names << a.patient;
        return names;
    }

    qint64 count(const QString& where = "1")
    {
        return TestSupport::integer(db, "SELECT COUNT(*) FROM appointments WHERE " + where);
    }
};
