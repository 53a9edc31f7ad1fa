#pragma once

#include "Database.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "FileStore.h"
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
    FileStore store{db};
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

    static void expose(QWidget* widget)
    {
        widget->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(widget));
    }

    template <typename T> static T* child(const QWidget* root, const char* name)
    {
        T* widget = root->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    qint64 scalar(const QString& sql)
    {
        return db.query(sql, {}, [](const SQLRow& r) { return r.integer(0); }).value(0);
    }
    qint64 count(const QString& where = "1")
    {
        return scalar("SELECT COUNT(*) FROM appointments WHERE " + where);
    }

    // Stores an appointment through the store and returns it with its id.
    Appointment book(qint64 dentist, const QString& day, int start, int duration, const QString& patient,
                     const QString& phone = {}, const QString& treatment = {})
    {
        Appointment a{0, dentist, day, start, duration, patient, phone, treatment, {}};
        EXPECT_EQ(store.save(a), std::nullopt);
        a.id = scalar("SELECT MAX(id) FROM appointments");
        return a;
    }

    // Makes every change of a dentist row fail inside the database, until unblocked.
    void blockDentistUpdates()
    {
        db.execute("CREATE TRIGGER block_dentists BEFORE UPDATE ON dentists "
                   "BEGIN SELECT RAISE(ABORT, 'archivio bloccato'); END");
    }
    void unblockDentistUpdates() { db.execute("DROP TRIGGER block_dentists"); }
};
