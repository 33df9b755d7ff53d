#include "tools/new_roster_file.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/sqlite_open.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QUuid>

namespace varnel::tools {

namespace {

// A run killed while it wrote left its temporary file (and the file's
// journal) beside the name; the next run for that name removes what it
// finds of such runs: by the exact pattern of their names, and only once
// nothing has written them for a while, so a run still going is left alone.
constexpr qint64 kStaleAfterSeconds = 300;

void removeStaleTemporaries(const QString& path)
{
    const QFileInfo target(path);
    const QRegularExpression own(QRegularExpression::anchoredPattern(QRegularExpression::escape(target.fileName())
                                                                     + QStringLiteral(R"(\.new-[0-9a-f]{8}(-journal)?)")));
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList found = target.dir().entryInfoList({target.fileName() + QStringLiteral(".new-*")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : found) {
        if (own.match(file.fileName()).hasMatch() && file.lastModified().secsTo(now) > kStaleAfterSeconds)
            QFile::remove(file.absoluteFilePath());
    }
}

} // namespace

NewRosterFile::NewRosterFile(const QString& path)
    : path_(path)
{
    // SQLite takes some names for other things than a file (":memory:", a
    // "file:" URI); a folder or a device cannot take a roster.
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || path.startsWith(u':') || path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
        || path.endsWith(u'/') || (info.exists() && !info.isFile()))
        throw Failure(ToolError::InvalidArgument,
                      QCoreApplication::translate("varnel::tools", "\"%1\" does not name a file; name the new roster's file.").arg(path));
    if (info.exists() || info.isSymLink())
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::tools", "The file \"%1\" already exists; choose a new name.").arg(path));
    removeStaleTemporaries(path);
    const QString unique = QUuid::createUuid().toString(QUuid::WithoutBraces);
    temporary_ = path + QStringLiteral(".new-") + unique.left(8);
    connection_ = QStringLiteral("varnel-new-") + unique;
    SqliteOptions options;
    options.access = SqliteAccess::ReadWriteCreate;
    QSqlError error;
    db_ = openSqliteConnection(connection_, temporary_, options, &error);
    if (!db_.isValid())
        fail(error, QCoreApplication::translate("varnel::tools", "Cannot create the roster file \"%1\""));
}

NewRosterFile::~NewRosterFile()
{
    close();
    if (!finished_) {
        QFile::remove(temporary_);
        QFile::remove(temporary_ + QStringLiteral("-journal"));
    }
    QSqlDatabase::removeDatabase(connection_);
}

void NewRosterFile::close()
{
    if (db_.isOpen())
        db_.close();
    db_ = QSqlDatabase();
}

void NewRosterFile::exec(const QString& sql)
{
    QSqlQuery q(db_);
    if (!q.exec(sql))
        fail(q.lastError(), QCoreApplication::translate("varnel::tools", "Cannot write the roster file \"%1\""));
}

void NewRosterFile::fail(const QSqlError& error, const QString& what) const
{
    const int number = error.nativeErrorCode().toInt();
    throw Failure(number ? number : ToolError::GeneralError, what.arg(path_) + QStringLiteral(": ") + error.text());
}

void NewRosterFile::finish()
{
    close();
    // Another file may have taken the name meanwhile: never over it.
    if (QFileInfo::exists(path_))
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::tools", "The file \"%1\" already exists; choose a new name.").arg(path_));
    if (!QFile::rename(temporary_, path_))
        throw Failure(ToolError::GeneralError, QCoreApplication::translate("varnel::tools", "Cannot give the new roster file its name \"%1\".").arg(path_));
    finished_ = true;
}

} // namespace varnel::tools
