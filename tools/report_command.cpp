// `varnel-roster report`: the report engine without a window.

#include "common/failure.h"

#include <QString>
#include <cstdio>

int runReport(const QString& layout, const QString& pdf)
{
    throw varnel::Failure(1, QStringLiteral("Reports are not available in this build (layout \"%1\", output \"%2\").").arg(layout, pdf));
}
