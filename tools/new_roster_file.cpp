#include "tools/new_roster_file.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/sqlite_open.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace varnel::tools {

NewRosterFile::NewRosterFile(const QString& path)
    : path_(path)
{
    if (QFileInfo::exists(path))
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::tools", "The file \"%1\" already exists; choose a new name.").arg(path));
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
    if (!finished_)
        QFile::remove(temporary_);
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
