// The receptionist on the phone: free time, the nearest alternative, undo and redo.
#include "StoreFixture.h"
#include "FileStore.h"

namespace {

QList<std::tuple<QDate, int, qint64>> starts(const QList<FreeSlot>& found)
{
    QList<std::tuple<QDate, int, qint64>> result;
    for (const FreeSlot& s : found)
        result.append({s.day, s.startMinutes, s.dentistId});
    return result;
}

TEST_F(StoreTest, FreeSlotsFollowTheSearchTheRulesAndNeverThePast)
{
    // Wednesday 4 December 2024, 10:00: dentist 1 has 10:00–11:00, and all of Friday 6.
    ASSERT_FALSE(store->save(booking(1, "2024-12-04", 600, 60)));
    ASSERT_FALSE(store->save(booking(1, "2024-12-06", 540, 240, "Luca Neri")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-06", 780, 240, "Luca Neri")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-06", 1020, 165, "Luca Neri")));
    const QDate wednesday(2024, 12, 4);

    SlotSearch any;
    EXPECT_EQ(starts(store->freeSlots(any, 4).value()),
              (QList<std::tuple<QDate, int, qint64>>{
                  {wednesday, 600, 2}, {wednesday, 600, 3}, {wednesday, 615, 2}, {wednesday, 615, 3}}));

    SlotSearch first;
    first.dentistId = 1;
    first.durationMinutes = 45;
    EXPECT_EQ(starts(store->freeSlots(first, 2).value()),
              (QList<std::tuple<QDate, int, qint64>>{{wednesday, 660, 1}, {wednesday, 675, 1}}));

    // Fridays in the afternoon: the full one is passed over for the next week's.
    first.weekdays = {4};
    first.part = SlotSearch::Part::Afternoon;
    EXPECT_EQ(starts(store->freeSlots(first, 1).value()),
              (QList<std::tuple<QDate, int, qint64>>{{QDate(2024, 12, 13), 780, 1}}));
    // A morning ends at 13:00, a whole day at 19:45.
    first.weekdays = {0};
    first.part = SlotSearch::Part::Morning;
    first.durationMinutes = 240;
    first.from = QDate(2024, 12, 9);
    EXPECT_EQ(starts(store->freeSlots(first, 3).value()), (QList<std::tuple<QDate, int, qint64>>{
                                                      {QDate(2024, 12, 9), 540, 1},
                                                      {QDate(2024, 12, 16), 540, 1},
                                                      {QDate(2024, 12, 23), 540, 1}}));
    first.part = SlotSearch::Part::Any;
    const QList<FreeSlot> mondays = store->freeSlots(first, 100).value();
    EXPECT_EQ(mondays.value(27).startMinutes, 945); // 15:45 is the last 4-hour start
    EXPECT_EQ(mondays.value(28).day, QDate(2024, 12, 16));

    // A day in the past counts from today; no weekday, no result.
    first.from = QDate(2020, 1, 1);
    EXPECT_GE(store->freeSlots(first, 1).value().value(0).day, wednesday);
    first.weekdays.clear();
    EXPECT_TRUE(store->freeSlots(first).value().isEmpty());
}

TEST_F(StoreTest, ARefusedOverlapOffersTheNearestStartsThatFit)
{
    ASSERT_FALSE(store->save(booking(2, "2024-12-05", 600, 30, "Luca Neri")));
    ASSERT_FALSE(store->save(booking(2, "2024-12-05", 660, 60, "Anna Verdi")));
    store->newAppointment(QDate(2024, 12, 5), 2, 615, 45);
    Appointment draft = *store->editing();
    draft.patient = "Mario Rossi";
    const std::optional<SaveRefusal> refusal = store->saveEdited(draft, draft);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, QStringLiteral("Dentista 2 ha già un appuntamento 10:00–10:30 (Luca Neri)."));
    EXPECT_EQ(refusal->alternatives, (QList<int>{555, 720}));
    // Today, only what is still ahead counts.
    draft.day = "2024-12-04";
    ASSERT_FALSE(store->save(booking(2, "2024-12-04", 600, 585, "Tutto il giorno")));
    draft.startMinutes = 615;
    EXPECT_EQ(store->nearestFreeStarts(draft), QList<int>{});
}

TEST_F(StoreTest, SavesMovesCopiesAndDeletesAreUndoneAndRedone)
{
    EXPECT_FALSE(store->canUndo());
    EXPECT_EQ(store->undoText(), "Annulla");
    store->newAppointment(QDate(2024, 12, 3), 1, 600);
    Appointment draft = *store->editing();
    draft.patient = "Anna Verdi";
    draft.notes = "Allergica";
    ASSERT_FALSE(store->saveEdited(draft, draft));
    const Appointment anna = store->weekAppointments().first();
    EXPECT_EQ(store->undoText(), "Annulla nuovo appuntamento di Anna Verdi");
    ASSERT_TRUE(store->move(anna.id, QDate(2024, 12, 5), 2, 660));
    Appointment copy = store->weekAppointments().first();
    copy.id = 0;
    copy.startMinutes = 720;
    ASSERT_FALSE(store->saveEdited(copy, store->weekAppointments().first()));
    store->deleteAppointment(store->weekAppointments().first());
    EXPECT_EQ(store->undoText(), "Annulla eliminazione di Anna Verdi");
    EXPECT_EQ(count(), 1);

    store->undo(); // the delete: the same appointment is back, with its id and notes
    EXPECT_EQ(count(QString("id = %1 AND notes = 'Allergica' AND start_min = 660").arg(anna.id)), 1);
    store->undo(); // the copy
    store->undo(); // the move
    EXPECT_EQ(store->weekAppointments(), QList<Appointment>{anna});
    EXPECT_EQ(store->redoText(), "Ripeti spostamento di Anna Verdi");
    store->undo(); // the booking
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(store->canUndo());
    store->redo();
    store->redo();
    EXPECT_EQ(count(QString("id = %1 AND day = '2024-12-05'").arg(anna.id)), 1);

    // Fifty steps and more.
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(store->move(anna.id, QDate(2024, 12, 2), 1, 540 + 15 * (i % 40)));
    for (int i = 0; i < 60; ++i)
        store->undo();
    EXPECT_EQ(count(QString("id = %1 AND day = '2024-12-05' AND start_min = 660").arg(anna.id)), 1);
    EXPECT_FALSE(store->alertMessage());
}

} // namespace
