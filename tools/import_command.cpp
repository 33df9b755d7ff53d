// `varnel-roster import OLD NEW`: a roster the written program kept in an
// Access file, brought across into a new roster file.

#include "legacy/access_file.h"
#include "legacy/access_import.h"

#include <QDir>
#include <QString>
#include <cstdio>

int runImport(const QString& oldPath, const QString& newPath)
{
    const varnel::legacy::ImportSummary summary = varnel::legacy::importAccessRoster(oldPath, newPath);
    // Printed only once the new roster has its name.
    std::printf("Imported %s (%s) into %s:\n  %d records\n  %s\n", qPrintable(QDir::toNativeSeparators(oldPath)),
                qPrintable(varnel::legacy::jetVersionName(summary.jetVersion)),
                qPrintable(QDir::toNativeSeparators(newPath)), summary.records, qPrintable(summary.columnsText()));
    return 0;
}
