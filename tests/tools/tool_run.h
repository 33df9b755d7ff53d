#pragma once

#include <QString>
#include <QStringList>

namespace varnel::test {

// How a run of varnel-roster ended: its exit code (-1 when it did not end
// normally) and what it printed.
struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

// Runs varnel-roster with `args` in `workingDir` (the test's own when empty)
// and waits for it to end; a run that does not end normally within
// `timeoutMs` is killed and fails the current test.
ToolRun runTool(const QStringList& args, int timeoutMs = 120000, const QString& workingDir = {});

} // namespace varnel::test
