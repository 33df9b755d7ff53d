#include "tool_run.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace varnel::test {

ToolRun runTool(const QStringList& args, int timeoutMs, const QString& workingDir)
{
    QProcess tool;
    if (!workingDir.isEmpty())
        tool.setWorkingDirectory(workingDir);
    tool.start(QStringLiteral(VARNEL_ROSTER_TOOL), args);
    ToolRun run;
    if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "varnel-roster did not finish normally: " << tool.errorString().toStdString();
        tool.kill();
        tool.waitForFinished();
        return run;
    }
    run.exitCode = tool.exitCode();
    run.out = QString::fromLocal8Bit(tool.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

} // namespace varnel::test
