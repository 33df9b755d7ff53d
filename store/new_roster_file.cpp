#include "store/new_roster_file.h"

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

namespace varnel::store {

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
                      QCoreApplication::translate("varnel::store", "\"%1\" does not name a file; name the new roster's file.").arg(path));
    if (info.exists() || info.isSymLink())
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::store", "The file \"%1\" already exists; choose a new name.").arg(path));
    removeStaleTemporaries(path);
    const QString unique = QUuid::createUuid().toString(QUuid::WithoutBraces);
    temporary_ = path + QStringLiteral(".new-") + unique.left(8);
    connection_ = QStringLiteral("varnel-new-") + unique;
    SqliteOptions options;
    options.access = SqliteAccess::ReadWriteCreate;
    QSqlError error;
    db_ = openSqliteConnection(connection_, temporary_, options, &error);
    if (!db_.isValid())
        fail(error, QCoreApplication::translate("varnel::store", "Cannot create the roster file \"%1\""));
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
        fail(q.lastError(), QCoreApplication::translate("varnel::store", "Cannot write the roster file \"%1\""));
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
        throw Failure(ToolError::FileExists, QCoreApplication::translate("varnel::store", "The file \"%1\" already exists; choose a new name.").arg(path_));
    if (!QFile::rename(temporary_, path_))
        throw Failure(ToolError::GeneralError, QCoreApplication::translate("varnel::store", "Cannot give the new roster file its name \"%1\".").arg(path_));
    finished_ = true;
}

namespace {

const char* const kSchema[] = {
    R"(CREATE TABLE "Soldier" (
  "ID" INTEGER PRIMARY KEY, "Name" TEXT, "Rank" TEXT,
  "TISDate" DATE, "DORDate" DATE, "APFT" TEXT, "Weapon" TEXT,
  "MSM" BOOLEAN, "MSM2" BOOLEAN, "ARCOM" BOOLEAN, "ARCOM2" BOOLEAN, "ARCOM3" BOOLEAN,
  "AAM" BOOLEAN, "AAM2" BOOLEAN, "AAM3" BOOLEAN, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "1SGTPoints" INTEGER, "SSGTPoints" INTEGER,
  "LastSchool" TEXT, "NextSchool" TEXT, "PrefDates" TEXT, "TotalDate" TEXT,
  "TOTAL" INTEGER))",
    R"(CREATE INDEX "SoldierByName" ON "Soldier" ("Name"))",
};

} // namespace

QStringList soldierTableStatements()
{
    QStringList statements;
    for (const char* s : kSchema)
        statements << QString::fromUtf8(s);
    return statements;
}

void createRosterFile(const QString& path)
{
    NewRosterFile file(path);
    for (const QString& statement : soldierTableStatements())
        file.exec(statement);
    file.finish();
}

} // namespace varnel::store
