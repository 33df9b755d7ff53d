#pragma once

#include <cstdint>

namespace varnel::bench {

// Counts SQLite's waits for the disk in this process: every xSync of a file
// and every journal deletion that syncs its folder. Installed as SQLite's
// default file layer around the real one, before any connection opens.
struct DiskSyncs {
    std::int64_t count = 0;
    std::int64_t nanoseconds = 0;
};

void installDiskSyncProbe();
DiskSyncs diskSyncsSoFar();

} // namespace varnel::bench
