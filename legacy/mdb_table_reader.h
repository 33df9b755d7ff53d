#pragma once

// The Access reader's work, inside its own process: one table of an Access
// file read with libmdb and sent as a stream (stream_format.h). Plain C++.

#include <cstddef>
#include <functional>
#include <string>

namespace varnel::legacy {

namespace stream {
class Writer;
}

struct ReadLimits {
    // libmdb converts a text into a buffer of this many bytes and cuts what
    // does not fit; a value that fills it is sent as too long, never cut.
    std::size_t maxTextBytes = std::size_t(1) << 20;
};

// What libmdb printed (it reports some damage only as a warning on its
// standard error) since the last call; empty when nothing.
using Complaints = std::function<std::string()>;

// Sends the table `tableName` (Access compares names without case) of the
// file at `path`: Hello, Columns, one Row per record in the table's stored
// order, End; or a Failure as soon as something cannot be read. The file is
// opened read-only. Returns the reader's exit code: 0 when End was sent.
int sendAccessTable(const std::string& path, const std::string& tableName, const ReadLimits& limits,
                    stream::Writer& out, const Complaints& complaints);

} // namespace varnel::legacy
