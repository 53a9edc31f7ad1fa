#include "IndexKeeper.h"

#include <gtest/gtest.h>

#include <new>

// A build that runs out of memory leaves the archive's queries answering, and is not tried again until
// the archive changes.
TEST(IndexKeeper, aBuildOutOfMemoryIsGivenUpUntilTheArchiveChanges)
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
