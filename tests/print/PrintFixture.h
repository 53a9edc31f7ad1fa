#pragma once

#include "Database.h"
#include "PrintService.h"
#include "FileStore.h"
#include "Store.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

// A store on a fresh database (three dentists, ids 1 to 3), the clock pinned to Wednesday 4 December 2024
// at 10:00, so the store shows the week of Monday 2 December.
class PrintTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    Database db{":memory:"};
    FileStore store{db};

    void book(qint64 dentist, const QString& day, int start, int duration, const QString& patient,
              const QString& phone = {}, const QString& treatment = {}, const QString& notes = {})
    {
        const std::optional<QString> error =
            store.save(Appointment{0, dentist, day, start, duration, patient, phone, treatment, notes});
        ASSERT_FALSE(error) << error->toStdString();
    }

    SchedulePrintView view(PrintLayout layout)
    {
        return PrintService::makeView(store, layout,
                                      PrintService::makePrintInfo(layout == PrintLayout::WeekTwoPages));
    }
};
