#pragma once

#include <QDateTime>
#include <QString>

// The data every measurement runs on: the large ten-year agenda of LargeDatabase, generated once per
// process (or taken from $CALVORA_BENCH_DB), and scratch copies of it that a measurement may change.
namespace BenchData {

// Wednesday 4 December 2024, 10:00: a full week in the middle of the data, with today highlighted.
[[nodiscard]] QDateTime pinnedMoment();

// A pristine large database that nobody writes to: $CALVORA_BENCH_DB when set, else generated into a
// temporary folder at the first call. Ends the process when it cannot be made.
[[nodiscard]] QString pristineDatabase();

// A new folder holding "calvora.sqlite", a copy of the pristine database; removed at process exit.
[[nodiscard]] QString scratchFolder();

// Resident set size and its peak, in kB, from /proc/self/status (0 where unavailable).
struct Memory {
    qint64 rssKb = 0;
    qint64 peakKb = 0;
};
[[nodiscard]] Memory residentMemory();

} // namespace BenchData
