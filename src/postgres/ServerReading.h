#pragma once

// ServerArchive::reading, for every source file of the archive that reads through it.
#include "PgConnection.h"
#include "ServerArchive.h"

template <typename Read>
auto ServerArchive::reading(Read read) -> decltype(read(std::declval<PgConnection&>()))
{
    {
        PgConnection& c = connection();
        try {
            return read(c);
        } catch (const DatabaseError&) {
            if (!c.broken())
                throw;
            dropConnection();
        }
    }
    // The connection had broken while idle (a server restarted meanwhile): reading again is harmless.
    PgConnection& fresh = connection();
    try {
        return read(fresh);
    } catch (const DatabaseError&) {
        if (fresh.broken())
            dropConnection();
        throw;
    }
}
