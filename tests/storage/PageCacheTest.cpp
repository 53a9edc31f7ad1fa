// The connection keeps its large page cache, also after a backup, whether the backup succeeds or fails.
#include "Database.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

qint64 cacheSize(Database& db)
{
    return db.query("PRAGMA cache_size", {}, [](const SQLRow& row) { return row.integer(0); }).value(0);
}

} // namespace

TEST(PageCache, staysLargeAcrossBackups)
{
    QTemporaryDir dir;
    Database db(dir.filePath("calvora.sqlite"));
    const qint64 large = cacheSize(db);
    EXPECT_LE(large, -16384) << "at least 16 MiB";

    db.backup(dir.filePath("copy.sqlite"));
    EXPECT_TRUE(Database::isIntact(dir.filePath("copy.sqlite")));
    EXPECT_EQ(cacheSize(db), large);

    EXPECT_THROW(db.backup(dir.filePath("missing/copy.sqlite")), DatabaseError);
    EXPECT_EQ(cacheSize(db), large);
}
