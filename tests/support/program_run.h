#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

namespace varnel::test {

// How a program run to its end ended: its exit code (-1 when it did not end normally) and what it printed.
struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

// Runs `program` as a clerk's shell would, in `workingDir` and `environment` (the test's own when not given);
// a run that does not end normally within `timeoutMs` is killed and fails the current test.
inline ProgramRun runToEnd(const QString& program, const QStringList& args, int timeoutMs = 120000,
                           const QString& workingDir = {}, const std::optional<QProcessEnvironment>& environment = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    if (environment)
        process.setProcessEnvironment(*environment);
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << program.toStdString() << " did not finish normally: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace varnel::test
