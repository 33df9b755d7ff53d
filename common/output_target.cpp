#include "common/output_target.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace varnel {

namespace {

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

std::filesystem::path fsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The same file on the disk, by its identity (device and file number).
// False when either is missing.
bool sameFile(const QString& a, const QString& b)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(fsPath(a), fsPath(b), error);
    return !error && same;
}

// The path a write to `path` would land on: symbolic links followed, also
// a link to a file that does not exist yet; its folder in canonical form
// where it exists.
QString landingPath(const QString& path)
{
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops)
        info = QFileInfo(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
}

QString canonicalOr(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? landingPath(path) : canonical;
}

} // namespace

QString writeFailureText(const QFileDevice& file)
{
    const int systemError = errno;
    const QString text = file.errorString();
    if (file.error() != QFileDevice::NoError && !text.isEmpty() && text != QLatin1String("Unknown error"))
        return text;
    return systemError != 0 ? qt_error_string(systemError) : text;
}

std::optional<KeptFile> keptFileAt(const QString& target, const QList<KeptFile>& kept)
{
    const QString landing = landingPath(target);
    for (const KeptFile& file : kept) {
        if (file.path.isEmpty())
            continue;
        if (sameFile(target, file.path))
            return file;
        const QString at = canonicalOr(file.path);
        const QStringList suffixes = file.hasJournal ? QStringList{QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                                                   QStringLiteral("-shm")}
                                                     : QStringList{QString()};
        for (const QString& suffix : suffixes) {
            if (landing.compare(at + suffix, kPathCase) == 0)
                return file;
        }
    }
    return std::nullopt;
}

} // namespace varnel
