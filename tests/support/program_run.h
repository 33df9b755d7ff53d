#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

namespace varnel::test {

// How a program run to its end ended: its exit code (-1 when it did not end
// normally) and what it printed.
struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

// Runs `program` with `args` as a clerk's shell would, in `workingDir` and
// with `environment` (the test's own when not given), and waits for it to
// end; a run that does not end normally within `timeoutMs` is killed and
// fails the current test.
ProgramRun runToEnd(const QString& program, const QStringList& args, int timeoutMs = 120000,
                    const QString& workingDir = {}, const std::optional<QProcessEnvironment>& environment = {});

} // namespace varnel::test
