#pragma once

#include <QString>
#include <QStringList>

namespace varnel::tools {

// The Soldier table as a new roster file holds it (positions 3 to 24 and 29
// fixed, a generated key first) and an index on Name for the roster's order.
QStringList soldierTableStatements();

// Writes a new roster file with an empty Soldier table. Refuses to
// overwrite an existing file. Throws varnel::Failure naming the file.
void createRosterFile(const QString& path);

struct SampleOptions {
    int count = 200;
    quint32 seed = 1;
};

// Writes a new roster file with `count` plausible soldiers: varied names
// (some equal), all twelve ranks, service dates over the last 25 years,
// every fitness band, weapon code and award pattern, some never totalled,
// a few with missing values and a few with lower-case or stray codes.
// Totalled soldiers carry the worksheet the Total command would have
// written on the day of their total.
void writeSampleRoster(const QString& path, const SampleOptions& options);

} // namespace varnel::tools
