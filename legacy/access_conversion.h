#pragma once

#include "legacy/access_import.h"

#include <QString>

namespace varnel::legacy {

struct Conversion {
    ImportSummary summary;
    QString keptAs; // where the Access file now is
};

// Turns the Access roster at `rosterPath` into a Varnel roster of the same
// name: the new roster is written beside it (importAccessRoster), the Access
// file is renamed to keptOriginalPath(), and the new roster takes its name.
// The Access file is never changed and never overwritten; after any failure
// it is at `rosterPath` again and nothing else is left. Throws what
// importAccessRoster throws, and 5206 when a file cannot be renamed.
Conversion convertAccessRoster(const QString& rosterPath, const ReaderOptions& options = {});

// The first free name beside `rosterPath` for the Access file:
// "Varnel_DATA (Access).MDB", then "Varnel_DATA (Access 2).MDB", ...
QString keptOriginalPath(const QString& rosterPath);

} // namespace varnel::legacy
