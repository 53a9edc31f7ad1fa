#pragma once

#include "Cal.h"
#include "Database.h"
#include "FileStore.h"
#include "ParsedCalendar.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

// A store on a fresh agenda file in a temporary folder.
class ExportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Clock::Pin clock{TestSupport::at(2026, 3, 4, 10, 0)};
    std::unique_ptr<Database> db = std::make_unique<Database>(dir.filePath("calvora.sqlite"));
    std::unique_ptr<Store> store = std::make_unique<FileStore>(*db);

    // Saves through the store's rules and answers the appointment as stored.
    static Appointment book(Store& into, qint64 dentist, const QDate& day, int start, int duration,
                            const QString& patient, const QString& treatment = {}, const QString& phone = {},
                            const QString& notes = {})
    {
        const Appointment a{0, dentist, Cal::dayKey(day), start, duration, patient, phone, treatment, notes};
        const std::optional<QString> refused = into.save(a);
        EXPECT_FALSE(refused) << refused.value_or(QString()).toStdString();
        for (const Appointment& stored : into.fetchAppointments(a.day, a.day))
            if (stored.startMinutes == start && stored.dentistId == dentist)
                return stored;
        ADD_FAILURE() << "not stored: " << patient.toStdString();
        return a;
    }

    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The moment of a wall-clock time in Rome.
    static qint64 romeMoment(const QDate& day, int minutes)
    {
        return QDateTime(day, QTime(0, 0).addSecs(minutes * 60), QTimeZone("Europe/Rome")).toSecsSinceEpoch();
    }
};
