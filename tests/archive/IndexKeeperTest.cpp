// The search index kept in step with an archive, with the archive played by a mark and a loader the
// test holds. As on the server, the archive's own writes do not move its mark: the keeper itself must
// know of them.
#include "DatabaseError.h"
#include "IndexKeeper.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <new>

namespace {

class IndexKeeperTest : public ::testing::Test {
protected:
    // The archive's content: its mark, and the patients a build reads.
    std::mutex lock;
    IndexKeeper::Mark mark;
    QList<QByteArray> stored{"Rosa Neri"};
    int builds = 0;
    // Holds the next build until released.
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();

    // A build reads the patients at once and finishes when released.
    IndexKeeper keeper{[this](const std::atomic<bool>&) {
                           QList<QByteArray> read;
                           {
                               const std::lock_guard<std::mutex> held(lock);
                               read = stored;
                               ++builds;
                           }
                           opened.wait();
                           auto index = std::make_unique<SearchIndex>();
                           qint64 id = 0;
                           for (const QByteArray& patient : std::as_const(read))
                               index->append({++id, "2024-12-02", 540, patient, "", ""});
                           index->finish();
                           return index;
                       },
                       [this] { return std::optional<IndexKeeper::Mark>(mark); }};

    void open() { gate.set_value(); }

    // Another program commits a new patient.
    void commitElsewhere(const QByteArray& patient)
    {
        const std::lock_guard<std::mutex> held(lock);
        stored << patient;
        ++mark.others;
    }

    // One of the archive's own writes of a new patient, told to the keeper; `fails` throws after writing.
    void writeOwn(const QByteArray& patient, bool fails = false)
    {
        IndexKeeper::write(
            &keeper,
            [&] {
                const std::lock_guard<std::mutex> held(lock);
                stored << patient;
                if (fails)
                    throw DatabaseError("disco pieno");
            },
            [&](SearchIndex& index) {
                const std::lock_guard<std::mutex> held(lock);
                index.put(SearchIndex::Row{qint64(stored.size()), "2024-12-02", 540, patient, "", ""});
            });
    }

    // How many appointments the kept index finds for a text; -1 when no index is in use.
    int found(const QByteArray& text)
    {
        SearchIndex* index = keeper.current();
        return index ? int(index->search(text, 100).size()) : -1;
    }
};

} // namespace

// What anyone commits while a build reads the archive may be missing from it: that build goes unused
// and the next one, with nothing written meanwhile, is used and then follows the archive's own writes.
TEST_F(IndexKeeperTest, aBuildDuringWhichAnythingWasWrittenIsNotUsed)
{
    EXPECT_FALSE(keeper.start());
    writeOwn("Rosa Bianchi");
    open();
    EXPECT_TRUE(keeper.start(true));
    EXPECT_EQ(builds, 2);
    EXPECT_EQ(found("rosa"), 2);

    writeOwn("Rosa Gialli");
    EXPECT_EQ(found("rosa"), 3);
    EXPECT_EQ(builds, 2);
}

// A change by another program (also during a build), or a write that failed (it may or may not have
// reached the archive), leaves the index unused until it is built again.
TEST_F(IndexKeeperTest, anIndexOutOfStepIsBuiltAgain)
{
    EXPECT_FALSE(keeper.start());
    commitElsewhere("Rosa Bianchi");
    open();
    ASSERT_TRUE(keeper.start(true));
    EXPECT_EQ(builds, 2);
    commitElsewhere("Rosa Verdi");
    EXPECT_EQ(found("rosa"), -1);
    EXPECT_TRUE(keeper.start(true));
    EXPECT_EQ(found("rosa"), 3);

    EXPECT_THROW(writeOwn("Rosa Gialli", true), DatabaseError);
    EXPECT_EQ(found("rosa"), -1);
    EXPECT_TRUE(keeper.start(true));
    EXPECT_EQ(found("rosa"), 4);
    EXPECT_EQ(builds, 4);
}

// A build that runs out of memory leaves the archive's queries answering, and is not tried again until
// the archive changes.
TEST(IndexKeeperAlone, aBuildOutOfMemoryIsGivenUpUntilTheArchiveChanges)
{
    int builds = 0;
    IndexKeeper::Mark mark{1, 0, 0};
    IndexKeeper keeper([&builds](const std::atomic<bool>&) -> std::unique_ptr<SearchIndex> {
        ++builds;
        throw std::bad_alloc();
    }, [&mark] { return mark; });
    EXPECT_FALSE(keeper.start(true));
    EXPECT_EQ(keeper.current(), nullptr);
    EXPECT_EQ(builds, 1);
    mark.others = 1;
    EXPECT_FALSE(keeper.start(true));
    EXPECT_EQ(builds, 2);
}
