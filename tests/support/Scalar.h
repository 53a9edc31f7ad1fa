#pragma once

#include "Database.h"

// One value read past the program, as the tests on SQLite files check what is stored.
namespace TestSupport {

// The first column of the statement's first row as an integer; -1 when there is no row.
inline qint64 integer(Database& db, const QString& sql, const SQLArgs& args = {})
{
    return db.query(sql, args, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

inline QString text(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.text(0); }).value(0);
}

} // namespace TestSupport
