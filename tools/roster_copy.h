#pragma once

#include "common/roster_location.h"
#include "store/record_layout.h"

#include <QString>

namespace varnel::tools {

struct CopySummary {
    int records = 0;
    int columns = 0;
};

// Copies the roster at `from` (a roster file or a server address) into a
// new roster at `to` (a file that does not exist yet, or a server database
// without a Soldier table): the same columns in the same order, every
// record with its key and its values. It is one transaction: the copy is
// read back record by record and compared before it is committed, and after
// any failure nothing is left at `to`. `from` is only read.
CopySummary copyRoster(const RosterLocation& from, const RosterLocation& to);

} // namespace varnel::tools
