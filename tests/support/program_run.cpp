#include "support/program_run.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace varnel::test {

ProgramRun runToEnd(const QString& program, const QStringList& args, int timeoutMs, const QString& workingDir,
                    const std::optional<QProcessEnvironment>& environment)
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    if (environment)
        process.setProcessEnvironment(*environment);
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << program.toStdString() << " did not finish normally: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace varnel::test
