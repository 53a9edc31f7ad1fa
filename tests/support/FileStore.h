#pragma once

#include "SqliteArchive.h"
#include "Store.h"

#include <memory>

// A Store on a SQLite database through a connection the caller keeps (tests and measurements; the
// program opens its archive through Bootstrap).
namespace FileStoreDetail {
struct Archive {
    explicit Archive(Database& db) : archive(std::make_unique<SqliteArchive>(db)) {}
    std::unique_ptr<SqliteArchive> archive;
};
} // namespace FileStoreDetail

class FileStore : private FileStoreDetail::Archive, public Store {
public:
    explicit FileStore(Database& db, QObject* parent = nullptr)
        : FileStoreDetail::Archive(db)
        , Store(*archive, parent)
    {
    }
};
