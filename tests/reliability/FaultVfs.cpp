#include "FaultVfs.h"

#include <sqlite3.h>

#include <cstring>

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
unsigned g_operations = 0;
int g_failAt = 0;
bool g_persistent = false;
int g_calls = 0;
bool g_fired = false;

// True when this call of the given kind must fail.
bool fault(FaultVfs::Operation op)
{
    if (g_failAt == 0 || !(g_operations & op))
        return false;
    ++g_calls;
    const bool fail = g_calls == g_failAt || (g_persistent && g_calls > g_failAt);
    g_fired = g_fired || fail;
    return fail;
}

struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real; // lives right after this struct, in the same allocation
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<FaultFile*>(f)->real;
}

int xClose(sqlite3_file* f)
{
    return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset)
{
    return fault(FaultVfs::Read) ? SQLITE_IOERR_READ
                                 : real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset)
{
    return fault(FaultVfs::Write) ? SQLITE_FULL : real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    return fault(FaultVfs::Truncate) ? SQLITE_IOERR_TRUNCATE : real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags)
{
    return fault(FaultVfs::Sync) ? SQLITE_IOERR_FSYNC : real(f)->pMethods->xSync(real(f), flags);
}

// The calls that never fail go straight to the real file.
const sqlite3_io_methods g_methods = {
    3, xClose, xRead, xWrite, xTruncate, xSync,
    [](sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); },
    [](sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); },
    [](sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); },
    [](sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); },
    [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); },
    [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); },
    [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
        return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
    },
    [](sqlite3_file* f, int offset, int n, int flags) {
        return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
    },
    [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); },
    [](sqlite3_file* f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); },
    [](sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
        return real(f)->pMethods->xFetch(real(f), offset, amount, out);
    },
    [](sqlite3_file* f, sqlite3_int64 offset, void* p) {
        return real(f)->pMethods->xUnfetch(real(f), offset, p);
    },
};

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<FaultFile*>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    std::memset(file->real, 0, size_t(g_real->szOsFile));
    if (!(flags & SQLITE_OPEN_MAIN_DB) && fault(FaultVfs::Open))
        return SQLITE_CANTOPEN;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (file->real->pMethods)
        file->base.pMethods = &g_methods; // xClose must reach the real file even after a failed open
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    if (fault(FaultVfs::Delete))
        return SQLITE_IOERR_DELETE;
    return g_real->xDelete(g_real, name, syncDir);
}

} // namespace

namespace FaultVfs {

void install()
{
    if (g_real)
        return;
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "calvora-faults";
    g_vfs.szOsFile = int(sizeof(FaultFile)) + g_real->szOsFile;
    g_vfs.pNext = nullptr;
    g_vfs.xOpen = xOpen;
    g_vfs.xDelete = xDelete;
    sqlite3_vfs_register(&g_vfs, 1);
}

void arm(unsigned operations, int n, bool persistent)
{
    g_operations = operations;
    g_failAt = n;
    g_persistent = persistent;
    g_calls = 0;
    g_fired = false;
}

int disarm()
{
    g_failAt = 0;
    return g_calls;
}

bool fired()
{
    return g_fired;
}

} // namespace FaultVfs
