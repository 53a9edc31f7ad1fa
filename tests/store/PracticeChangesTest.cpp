// A practice that changes: a dentist who leaves, days the practice is closed.
#include "StoreFixture.h"
#include "FileStore.h"

#include <tuple>

namespace {

QStringList names(const QList<Dentist>& dentists)
{
    QStringList result;
    for (const Dentist& d : dentists)
        result << d.name;
    return result;
}

TEST_F(StoreTest, ARetirementWaitsForTheFutureAppointmentsAndKeepsThePast)
{
    ASSERT_FALSE(store->save(booking(3, "2024-11-28", 600, 30, "Passato")));
    ASSERT_FALSE(store->save(booking(3, "2024-12-10", 600, 30, "Futuro")));
    QList<Appointment> remaining;
    EXPECT_EQ(store->retireDentist(3, QDate(2024, 12, 9), &remaining),
              QStringLiteral("Prima di ritirare Dentista 3 bisogna spostare o eliminare il suo appuntamento dal "
                             "9 dicembre 2024."));
    EXPECT_EQ(patients(remaining), QStringList{"Futuro"});

    ASSERT_TRUE(store->move(remaining[0].id, QDate(2024, 12, 10), 2, 600));
    ASSERT_FALSE(store->retireDentist(3, QDate(2024, 12, 9)));
    EXPECT_EQ(names(store->visibleDentists()).size(), 3); // still works this week
    store->step(1);
    EXPECT_EQ(names(store->visibleDentists()), QStringList({"Dentista 1", "Dentista 2"}));
    EXPECT_EQ(patients(store->search("passato")), QStringList{"Passato"});
    EXPECT_EQ(store->dentist(3)->name, "Dentista 3"); // named in the history
    ASSERT_FALSE(store->reinstateDentist(3));
    EXPECT_EQ(names(store->visibleDentists()).size(), 3);
}

TEST_F(StoreTest, ClosedDaysRefuseBookingsMovesAndUndoAfterTheOtherRules)
{
    ASSERT_FALSE(store->save(booking(1, "2025-04-21", 600, 30, "Prima")));
    store->showDate(QDate(2025, 4, 22));
    Appointment tuesday = booking(1, "2025-04-22", 600, 30, "Anna Verdi");
    ASSERT_FALSE(store->saveEdited(tuesday, tuesday));
    tuesday = store->appointments(QDate(2025, 4, 22), 1).first();
    store->deleteAppointment(tuesday);

    ASSERT_FALSE(store->setClosedPeriods(ClosedDays::italianHolidays(2025)
                                         + QList<ClosedPeriod>{{QDate(2025, 4, 22), QDate(2025, 4, 25), ""}}));
    EXPECT_EQ(store->closedPeriodOn(QDate(2025, 4, 21))->reason, "Lunedì dell'Angelo");
    EXPECT_EQ(store->save(booking(2, "2025-04-21", 615, 30)),
              QStringLiteral("Lo studio è chiuso lunedì 21 aprile 2025 (Lunedì dell'Angelo)."));
    // The existing rules come first, with their messages.
    EXPECT_EQ(store->save(booking(1, "2025-04-21", 600, 30)),
              QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:30 (Prima)."));
    EXPECT_EQ(store->validate(booking(2, "2025-04-24", 600, 30)), QStringLiteral("Lo studio è chiuso giovedì 24 aprile 2025."));
    const qint64 prima = store->search("prima").first().id;
    EXPECT_FALSE(store->move(prima, QDate(2025, 4, 23), 2, 600));
    EXPECT_TRUE(store->alertMessage()->endsWith("Lo studio è chiuso mercoledì 23 aprile 2025."));
    store->setAlertMessage(std::nullopt);
    store->undo();
    EXPECT_EQ(*store->alertMessage(), QStringLiteral("Impossibile annullare: eliminazione di Anna Verdi.\n"
                                                     "Lo studio è chiuso martedì 22 aprile 2025."));

    SlotSearch search;
    search.from = QDate(2025, 4, 21);
    EXPECT_EQ(store->freeSlots(search, 1).value().value(0).day, QDate(2025, 4, 28));
}

TEST_F(StoreTest, TheAppointmentsOnDaysToCloseComeEachOnceByDayStartAndColumn)
{
    ASSERT_FALSE(store->swapDentists(3, 1));
    for (const auto& [dentist, day, start] : {std::tuple(1, "2025-05-02", 600), std::tuple(2, "2025-05-02", 540),
                                              std::tuple(3, "2025-05-02", 600), std::tuple(1, "2025-05-05", 540),
                                              std::tuple(2, "2025-05-06", 540), std::tuple(2, "2025-05-09", 540)})
        ASSERT_FALSE(store->save(booking(dentist, day, start, 30, QStringLiteral("P%1-%2").arg(day).arg(dentist))));
    const QList<ClosedPeriod> bridge{{QDate(2025, 5, 2), QDate(2025, 5, 5), ""}, {QDate(2025, 5, 5), QDate(2025, 5, 6), ""}};
    EXPECT_EQ(patients(store->appointmentsIn(bridge)),
              QStringList({"P2025-05-02-2", "P2025-05-02-3", "P2025-05-02-1", "P2025-05-05-1", "P2025-05-06-2"}));
    EXPECT_TRUE(store->appointmentsIn({{QDate(2025, 5, 7), QDate(2025, 5, 8), ""}}).isEmpty());
    EXPECT_EQ(store->appointmentLine(store->appointmentsIn(bridge).first()),
              QStringLiteral("ven 2 mag 2025 09:00 P2025-05-02-2 – Dentista 2"));
}

} // namespace
