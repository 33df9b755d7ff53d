#include "store/safety_copy.h"

#include "common/failure.h"
#include "store/lock_wait.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sqlite3.h>

namespace varnel::store {

namespace {

constexpr QFileDevice::Permissions kOwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadUser | QFileDevice::WriteUser;
constexpr QFileDevice::Permissions kOwnerOnlyFolder = kOwnerOnlyFile | QFileDevice::ExeOwner | QFileDevice::ExeUser;
const QString kPartial = QStringLiteral(".partial");

QString rosterFolder(const QString& rosterPath)
{
    const QFileInfo info(rosterPath);
    const QString canonical = QFileInfo(info.absolutePath()).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absolutePath()) : canonical;
}

// "home-clerk-unit-1a2b3c4d": the folder readable at a glance, and a hash of
// its whole path so two folders never share copies.
QString copyPrefix(const QString& rosterPath)
{
    const QString folder = rosterFolder(rosterPath);
    QString slug;
    for (const QChar c : folder) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(u'-'))
            slug += u'-';
    }
    while (slug.endsWith(u'-'))
        slug.chop(1);
    if (slug.size() > 48)
        slug = slug.right(48);
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return (slug.isEmpty() ? QStringLiteral("roster") : slug) + u'-' + QString::fromLatin1(hash);
}

QFileInfoList copiesWithPrefix(const QString& prefix, const QString& suffix)
{
    const QDir folder(safetyCopyFolder());
    return folder.entryInfoList({prefix + QStringLiteral("_*") + suffix}, QDir::Files | QDir::Hidden, QDir::Name);
}

Failure copyFailed(int code, const QString& file, const QString& detail)
{
    return Failure(code, QCoreApplication::translate("varnel::store", "Cannot save a safety copy of the roster to \"%1\": %2.").arg(file, detail));
}

// The path with every link and "." or ".." resolved, as far as it exists;
// the part that does not exist yet follows as written.
QString realPath(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    while (!QFileInfo::exists(existing)) {
        const QFileInfo info(existing);
        if (info.isRoot() || info.fileName().isEmpty())
            break;
        missing.prepend(info.fileName());
        existing = info.absolutePath();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + u'/' + missing.join(u'/'));
}

// Makes the folder and whatever of its parents is missing, each private to
// the user (personnel records). A folder that was there already keeps its
// mode: it may be shared, or the user's own choice.
void makePrivateFolder(const QString& folder)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); !QFileInfo::exists(at) && !QFileInfo(at).isRoot();
         at = QFileInfo(at).absolutePath())
        missing.prepend(at);
    for (const QString& dir : std::as_const(missing)) {
        if (!QDir().mkdir(dir) && !QFileInfo(dir).isDir())
            throw copyFailed(SQLITE_CANTOPEN, dir, QCoreApplication::translate("varnel::store", "the folder cannot be made"));
        QFile::setPermissions(dir, kOwnerOnlyFolder);
    }
    if (!QFileInfo(folder).isDir())
        throw copyFailed(SQLITE_CANTOPEN, folder, QCoreApplication::translate("varnel::store", "it is not a folder"));
}


void backUp(sqlite3* source, const QString& target, ConnectionLockWait& wait)
{
    sqlite3* copy = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &copy, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(copy, 1);
        if (sqlite3_backup* backup = sqlite3_backup_init(copy, "main", source, "main")) {
            // Another program may hold the roster's write lock for a moment.
            QElapsedTimer since;
            since.start();
            do {
                rc = sqlite3_backup_step(backup, -1);
            } while ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && wait.waitMore(since));
            sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        } else {
            rc = sqlite3_extended_errcode(copy);
        }
    }
    const QString detail = QString::fromUtf8(copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc));
    sqlite3_close(copy);
    if (rc != SQLITE_OK)
        throw copyFailed(rc, target, detail);
}

} // namespace

QString safetyCopyFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Varnel/backups");
}

QStringList safetyCopiesOf(const QString& rosterPath)
{
    QStringList paths;
    for (const QFileInfo& info : copiesWithPrefix(copyPrefix(rosterPath), QStringLiteral(".MDB")))
        paths << info.absoluteFilePath();
    return paths;
}

QString saveSafetyCopy(sqlite3* source, const QString& rosterPath, const QDateTime& now, ConnectionLockWait* wait)
{
    const QString folder = safetyCopyFolder();
    // Nothing goes into the roster's own folder, whatever the way there (a
    // data folder set to ".", a link from the backups folder to a shared
    // roster folder): the real paths are compared before anything is made.
    const QString rosterReal = realPath(rosterFolder(rosterPath));
    const QString folderReal = realPath(folder);
    if (folderReal == rosterReal || folderReal.startsWith(rosterReal + u'/'))
        throw copyFailed(SQLITE_CANTOPEN, folder,
                         QCoreApplication::translate("varnel::store", "the folder is the roster's own folder, or inside it (%1), where "
                                                                      "nothing but the roster is written")
                             .arg(folderReal));
    makePrivateFolder(folder);

    const QString prefix = copyPrefix(rosterPath);
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString target = QStringLiteral("%1/%2_%3.MDB").arg(folder, prefix, stamp);
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink() || QFileInfo::exists(target + kPartial); ++n)
        target = QStringLiteral("%1/%2_%3-%4.MDB").arg(folder, prefix, stamp).arg(n);

    // Written under a temporary name, created private, and renamed only
    // when whole: a copy under its final name is always a complete roster.
    // Created new (O_EXCL), the file is never a link another put there.
    const QString partial = target + kPartial;
    {
        QFile file(partial);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnlyFile))
            throw copyFailed(SQLITE_CANTOPEN, partial, file.errorString());
    }
    try {
        ConnectionLockWait sleeping;
        backUp(source, partial, wait ? *wait : sleeping);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw copyFailed(SQLITE_CANTOPEN, target, QCoreApplication::translate("varnel::store", "the finished copy cannot be renamed"));
    }

    // Keep the newest copies of this roster folder, and always the one just
    // made: with the clock set back, the others' stamps lie ahead of it.
    // Also clear what a copy cut short by a crash left behind.
    QFileInfoList copies = copiesWithPrefix(prefix, QStringLiteral(".MDB"));
    copies.removeIf([&target](const QFileInfo& copy) { return copy.absoluteFilePath() == QFileInfo(target).absoluteFilePath(); });
    for (qsizetype i = 0; i + kSafetyCopiesKept - 1 < copies.size(); ++i)
        QFile::remove(copies.at(i).absoluteFilePath());
    for (const QFileInfo& stale : copiesWithPrefix(prefix, QStringLiteral(".MDB") + kPartial)) {
        if (stale.lastModified().secsTo(QDateTime::currentDateTime()) > 600)
            QFile::remove(stale.absoluteFilePath());
    }
    return target;
}

} // namespace varnel::store
