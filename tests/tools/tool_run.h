#pragma once

#include "support/program_run.h"

namespace varnel::test {

using ToolRun = ProgramRun;

inline ToolRun runTool(const QStringList& args, int timeoutMs = 120000, const QString& workingDir = {})
{
    return runToEnd(QStringLiteral(VARNEL_ROSTER_TOOL), args, timeoutMs, workingDir);
}

} // namespace varnel::test
