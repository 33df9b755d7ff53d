#pragma once

#include "store/new_roster_file.h"

#include <QString>
#include <QStringList>

namespace varnel::tools {

// The new roster file and its table are the store's.
using store::createRoster;
using store::soldierTableStatements;

struct SampleOptions {
    int count = 200;
    quint32 seed = 1;
    bool edgeCases = false;
};

// Writes a new roster file with `count` soldiers of a plausible unit: every
// soldier named, no two alike while the name lists last, ranks in a
// company's proportions (one first sergeant to 150 soldiers) with
// the service, time in grade, awards and schools that go with them, fitness
// bands and weapon qualifications as they fall, evaluations entered, and
// most totalled within the last weeks with the worksheet the Total command
// would have written that day. With `edgeCases`, a few soldiers also carry
// what other programs and hurried typing leave: no name, rank or dates,
// lower-case or stray codes, blank evaluations, every award or none, a
// Chief of Staff. The same seed gives the same soldiers. The file is written
// under a temporary name and takes its name when complete.
void writeSampleRoster(const QString& path, const SampleOptions& options);

} // namespace varnel::tools
