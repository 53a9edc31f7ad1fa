#pragma once

// A test-only SQLite file-system layer that wraps the default one and fails the N-th call of chosen
// kinds, as a full disk or a failing device would. Installed as the default layer of the test process,
// it is invisible until armed.
namespace FaultVfs {

enum Operation : unsigned {
    Open = 1,     // opening a journal or a new file (not the database itself): "no space for a new file"
    Write = 2,    // SQLITE_FULL, as a full disk
    Sync = 4,     // SQLITE_IOERR_FSYNC
    Truncate = 8, // SQLITE_IOERR_TRUNCATE
    Delete = 16,  // SQLITE_IOERR_DELETE: the journal cannot be removed
    Read = 32,    // SQLITE_IOERR_READ
};

// Registers the layer as SQLite's default. Call once, before any connection is opened.
void install();

// From now on, counts the calls of the kinds in `operations` and fails the n-th (n from 1); when
// `persistent`, also every later one, as a disk that stays full.
void arm(unsigned operations, int n, bool persistent);
// Stops failing and returns how many counted calls were made since arm().
int disarm();
// Whether the armed fault has fired at least once.
[[nodiscard]] bool fired();

} // namespace FaultVfs
