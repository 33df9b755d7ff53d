#include "common/shipped_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace varnel {

QStringList shippedFileFolders(const QString& executableDir)
{
    if (executableDir.isEmpty())
        return {};
    // A build folder is recognised by its path, fixed when it was built: an
    // installed copy never lies there.
    const QString buildDir = QFileInfo(QStringLiteral(VARNEL_BUILD_DIR)).canonicalFilePath();
    const QString here = QFileInfo(executableDir).canonicalFilePath();
    if (!buildDir.isEmpty() && here == buildDir)
        return {QDir::cleanPath(QStringLiteral(VARNEL_SOURCE_DATA_DIR))};
    return {QDir::cleanPath(executableDir + u'/' + QStringLiteral(VARNEL_DATA_FROM_BINDIR))};
}

QStringList shippedFileFolders()
{
    return shippedFileFolders(QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}

} // namespace varnel
