#include "StoreFixture.h"
#include "FileStore.h"

TEST_F(StoreTest, newAppointmentProposesSensibleDefaults)
{
    const auto proposal = [&](int h, int m) {
        clock.set(TestSupport::at(2024, 12, 4, h, m));
        store->newAppointment();
        return std::pair(store->editing()->startMinutes, store->editing()->durationMinutes);
    };
    EXPECT_EQ(proposal(14, 7), std::pair(855, 30));
    EXPECT_EQ(proposal(14, 15), std::pair(855, 30));
    EXPECT_EQ(proposal(19, 20), std::pair(1170, 15));
    EXPECT_EQ(proposal(19, 40), std::pair(540, 30));
    EXPECT_EQ(proposal(8, 30), std::pair(540, 30));
    EXPECT_EQ(*store->editing(), (Appointment{0, 1, "2024-12-04", 540, 30, {}, {}, {}, {}}));

    // Another day starts at 09:00; a given slot and dentist are taken as they are.
    store->newAppointment(QDate(2024, 12, 5));
    EXPECT_EQ(store->editing()->startMinutes, 540);
    store->newAppointment(QDate(2024, 12, 3), 2, 1170);
    EXPECT_EQ(*store->editing(), (Appointment{0, 2, "2024-12-03", 1170, 15, {}, {}, {}, {}}));
    EXPECT_EQ(count(), 0);
}

TEST_F(StoreTest, validationRulesInOrderWithTheirMessages)
{
    const QString weekdays = QStringLiteral("Lo studio riceve solo dal lunedì al venerdì.");
    const QString grid = QStringLiteral("Orario e durata devono essere multipli di 15 minuti.");
    const auto hours = [](const char* end) {
        return QStringLiteral("L'appuntamento deve essere compreso tra le 09:00 e le 19:45 (ora termina alle ")
            + QString::fromUtf8(end) + QStringLiteral(").");
    };
    const std::pair<Appointment, std::optional<QString>> cases[] = {
        {booking(1, "2024-12-07", 545, 20, " \n "), QStringLiteral("Inserire il nome del paziente.")},
        {booking(1, "2024-12-07", 540, 30), weekdays},
        {booking(1, "2024-12-08", 540, 30), weekdays},
        {booking(1, "2024-13-02", 540, 30), weekdays},
        {booking(1, "2024-12-02", 1170, 30), hours("20:00")},
        {booking(1, "2024-12-02", 525, 30), hours("09:15")},
        {booking(1, "2024-12-02", 545, 30), grid},
        {booking(1, "2024-12-02", 540, 20), grid},
        {booking(1, "2024-12-02", 540, 0), grid},
        {booking(1, "2024-12-02", 1170, 15), std::nullopt},
    };
    for (const auto& [a, message] : cases) {
        EXPECT_EQ(store->validate(a), message) << a.day.toStdString() << ' ' << a.startMinutes;
        EXPECT_EQ(store->save(a), message);
    }
    EXPECT_EQ(count(), 1);
}

TEST_F(StoreTest, anOverlapWithADentistNoLoadedDentistHasNamesItGenerically)
{
    // The foreign key refuses such a row later; the rule's message must still make sense.
    db.execute("PRAGMA foreign_keys = OFF; INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
               "patient) VALUES (7, '2024-12-03', 600, 60, 'Orfano'); PRAGMA foreign_keys = ON;");
    EXPECT_EQ(store->validate(booking(7, "2024-12-03", 630, 15)),
              QStringLiteral("Il dentista ha già un appuntamento 10:00–11:00 (Orfano)."));
}
