#include "legacy/access_conversion.h"

#include "common/failure.h"
#include "legacy/import_failures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace varnel::legacy {

namespace {

QString quoted(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

} // namespace

QString keptOriginalPath(const QString& rosterPath)
{
    const QFileInfo roster(rosterPath);
    const QString base = roster.completeBaseName();
    const QString suffix = roster.suffix().isEmpty() ? QString() : u'.' + roster.suffix();
    for (int n = 1;; ++n) {
        const QString mark = n == 1 ? QStringLiteral("Access") : QStringLiteral("Access %1").arg(n);
        QString candidate = roster.dir().filePath(QStringLiteral("%1 (%2)%3").arg(base, mark, suffix));
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

Conversion convertAccessRoster(const QString& rosterPath, const ReaderOptions& options)
{
    const QFileInfo roster(rosterPath);
    const QString converted = roster.dir().filePath(
        QStringLiteral(".%1.converted-%2").arg(roster.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(12)));
    Conversion result;
    result.summary = importAccessRoster(rosterPath, converted, options);

    result.keptAs = keptOriginalPath(rosterPath);
    if (!QFile::rename(rosterPath, result.keptAs)) {
        QFile::remove(converted);
        throw Failure(failure::RenameFailed,
                      QStringLiteral("The Access file %1 could not be renamed to %2 (the folder may be read-only, or "
                                     "another program has the file open). Nothing was changed.")
                          .arg(quoted(rosterPath), quoted(result.keptAs)));
    }
    if (!QFile::rename(converted, rosterPath)) {
        QFile::remove(converted);
        QFile::rename(result.keptAs, rosterPath);
        throw Failure(failure::RenameFailed,
                      QStringLiteral("The new roster could not take the name %1. The Access file was left as it was.")
                          .arg(quoted(rosterPath)));
    }
    return result;
}

} // namespace varnel::legacy
