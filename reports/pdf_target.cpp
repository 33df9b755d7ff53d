#include "reports/pdf_target.h"

#include "common/failure.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace varnel::reports {

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

// The same file on the disk, by its identity (device and file number), so a
// hard link or any other spelling of the path is caught. False when either
// is missing.
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
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}

QString canonicalOr(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? landingPath(path) : canonical;
}

[[noreturn]] void refuse(const QString& pdf, const QString& what)
{
    throw Failure(failure::OutputIsInput,
                  QCoreApplication::translate("varnel::reports", "The report was not written to %1: that is %2, which a report never writes over.")
                      .arg(QDir::toNativeSeparators(pdf), what));
}

} // namespace

PdfTarget checkPdfTarget(const QString& pdfPath, const ReportLayout& layout)
{
    if (pdfPath.trimmed().isEmpty())
        throw Failure(failure::OutputFailed, QCoreApplication::translate("varnel::reports", "No PDF file was named for the report."));

    const QString source = QDir::toNativeSeparators(layout.dataSource);
    const QString layoutFile = QDir::toNativeSeparators(layout.path);
    if (sameFile(pdfPath, layout.dataSource))
        refuse(pdfPath, QCoreApplication::translate("varnel::reports", "the report's data source %1").arg(source));
    if (sameFile(pdfPath, layout.path))
        refuse(pdfPath, QCoreApplication::translate("varnel::reports", "the report layout file %1").arg(layoutFile));

    // Files that need not exist now: SQLite would take a file by these names
    // beside the roster for its own journal.
    const QString landing = landingPath(pdfPath);
    const QString roster = canonicalOr(layout.dataSource);
    for (const QString& suffix : {QStringLiteral(""), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                  QStringLiteral("-shm")}) {
        if (landing.compare(roster + suffix, kPathCase) == 0)
            refuse(pdfPath, suffix.isEmpty() ? QCoreApplication::translate("varnel::reports", "the report's data source %1").arg(source)
                                             : QCoreApplication::translate("varnel::reports", "the journal file of the report's data source %1")
                                                   .arg(source));
    }
    if (landing.compare(canonicalOr(layout.path), kPathCase) == 0)
        refuse(pdfPath, QCoreApplication::translate("varnel::reports", "the report layout file %1").arg(layoutFile));

    const QFileInfo target(pdfPath);
    if (!target.exists())
        return PdfTarget::New;
    if (target.isDir())
        throw Failure(failure::OutputFailed, QCoreApplication::translate("varnel::reports", "The report could not be written to %1: it is a folder.")
                                                 .arg(QDir::toNativeSeparators(pdfPath)));
    // A device or a pipe cannot take a file renamed over it, and replacing
    // the device itself would be worse.
    if (!target.isFile())
        throw Failure(failure::OutputFailed,
                      QCoreApplication::translate("varnel::reports", "The report could not be written to %1: it is not a plain file.")
                          .arg(QDir::toNativeSeparators(pdfPath)));
    return PdfTarget::Existing;
}

} // namespace varnel::reports
