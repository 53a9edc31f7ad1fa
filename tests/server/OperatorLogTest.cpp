// The practice's operators: named once for every computer, chosen per computer, carried by the log.
#include "ArchiveFixture.h"

class OperatorLogTest : public ArchiveTest {
protected:
    [[nodiscard]] ActivityEntry lastEntry() const
    {
        ActivityEntry last;
        archive->forEachLogEntry([&last](const ActivityEntry& e) {
            last = e;
            return true;
        });
        return last;
    }
};

TEST_P(OperatorLogTest, eachEntryCarriesWhoWasWorkingWhenItWasMade)
{
    EXPECT_TRUE(store->operators().isEmpty()) << "none named by default";
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Anna Verdi")));
    EXPECT_EQ(lastEntry().operatorName, "");
    EXPECT_EQ(lastEntry().account, AgendaArchive::localActor().account);

    ASSERT_FALSE(store->setOperators({" Anna ", "Bruno", "anna", "  "}));
    EXPECT_EQ(store->operators(), (QStringList{"Anna", "Bruno"})) << "trimmed, no blanks, no repeats";
    EXPECT_EQ(lastEntry().action, "settings");

    store->setCurrentOperator("Anna");
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Carla Neri")));
    EXPECT_EQ(std::pair(lastEntry().action, lastEntry().operatorName), std::pair(QString("book"), QString("Anna")));
    store->setCurrentOperator("Bruno");
    const Appointment carla = store->weekAppointments().last();
    ASSERT_TRUE(store->move(carla.id, QDate(2024, 12, 6), 1, 660));
    EXPECT_EQ(std::pair(lastEntry().action, lastEntry().operatorName), std::pair(QString("move"), QString("Bruno")));
    store->setCurrentOperator("Nessuno di questi");
    EXPECT_EQ(store->currentOperator(), "");
    store->undo();
    EXPECT_EQ(std::pair(lastEntry().action, lastEntry().operatorName), std::pair(QString("undo"), QString()));
}

TEST_P(OperatorLogTest, theListReachesTheOtherComputersAndARemovedOperatorLeavesNobodyChosen)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)other.refreshIfChangedElsewhere(); // the first look only sets the mark
    ASSERT_FALSE(store->setOperators({"Anna", "Bruno"}));
    EXPECT_TRUE(TestSupport::eventually([&] { return other.refreshIfChangedElsewhere(); }, 2000));
    EXPECT_EQ(other.operators(), (QStringList{"Anna", "Bruno"}));
    other.setCurrentOperator("Bruno");
    store->setCurrentOperator("Anna");

    // A rename here keeps its operator working here; elsewhere the old name is gone.
    ASSERT_FALSE(store->setOperators({"Anna Maria", "Bruno"}));
    EXPECT_EQ(store->currentOperator(), "Anna Maria");
    ASSERT_FALSE(store->setOperators({"Anna Maria"}));
    EXPECT_TRUE(TestSupport::eventually([&] { return other.refreshIfChangedElsewhere(); }, 2000));
    EXPECT_EQ(other.operators(), QStringList{"Anna Maria"});
    EXPECT_EQ(other.currentOperator(), "") << "Bruno was removed";
    ASSERT_FALSE(other.save(booking(2, "2024-12-05", 600, 30, "Dario Blu")));
    EXPECT_EQ(lastEntry().operatorName, "") << "the removed operator is not recorded any more";
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Elena Gialli")));
    EXPECT_EQ(lastEntry().operatorName, "Anna Maria");

    ASSERT_FALSE(store->setOperators({}));
    EXPECT_TRUE(store->operators().isEmpty());
    EXPECT_EQ(store->currentOperator(), "");
}

INSTANTIATE_TEST_SUITE_P(BothArchives, OperatorLogTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
