#include "store/new_roster_file.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/sqlite_open.h"
#include "store/postgres_backend.h"
#include "store/sql_support.h"
#include "store/sqlite_backend.h"

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

const RecordLayout& standardRosterLayout()
{
    static const RecordLayout layout = [] {
        using K = ColumnKind;
        const std::pair<const char*, ColumnKind> columns[] = {
            {"ID", K::Integer},          {"Name", K::Text},          {"Rank", K::Text},         {"TISDate", K::Date},
            {"DORDate", K::Date},        {"APFT", K::Text},          {"Weapon", K::Text},       {"MSM", K::YesNo},
            {"MSM2", K::YesNo},          {"ARCOM", K::YesNo},        {"ARCOM2", K::YesNo},      {"ARCOM3", K::YesNo},
            {"AAM", K::YesNo},           {"AAM2", K::YesNo},         {"AAM3", K::YesNo},        {"LTR/COM", K::YesNo},
            {"LTR/COM2", K::YesNo},      {"LTR/COM3", K::YesNo},     {"TISPoints", K::Integer}, {"TIGPoints", K::Integer},
            {"APFTPoints", K::Integer},  {"WeaponPoints", K::Integer}, {"AwardPoints", K::Integer},
            {"1SGTPoints", K::Integer},  {"SSGTPoints", K::Integer}, {"LastSchool", K::Text},   {"NextSchool", K::Text},
            {"PrefDates", K::Text},      {"TotalDate", K::Text},     {"TOTAL", K::Integer}};
        QList<Column> list;
        for (const auto& [name, kind] : columns)
            list.append(Column{QString::fromLatin1(name), QLatin1String(typesOf(kind).fileType), kind, list.isEmpty()});
        return RecordLayout(list);
    }();
    return layout;
}

QStringList fileTableStatements(const RecordLayout& layout)
{
    QStringList columns;
    bool keyed = false;
    for (const Column& c : layout.columns()) {
        const bool key = c.generatedKey && !keyed;
        keyed = keyed || key;
        columns << quoteIdentifier(c.name) + u' ' + (key ? QStringLiteral("INTEGER PRIMARY KEY") : QLatin1String(typesOf(c.kind).fileType));
    }
    QStringList statements{QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(kSoldierTable), columns.join(QStringLiteral(", ")))};
    if (layout.indexOf(column::Name) >= 0)
        statements << nameIndexStatement(layout);
    return statements;
}

QString nameIndexStatement(const RecordLayout& layout)
{
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoteIdentifier(nameIndexOf(kSoldierTable)), quoteIdentifier(kSoldierTable),
             quoteIdentifier(layout.at(layout.indexOf(column::Name)).name));
}

QStringList soldierTableStatements()
{
    return fileTableStatements(standardRosterLayout());
}

NewRoster::NewRoster(const RosterLocation& location, const RecordLayout& layout)
{
    if (location.isServer()) {
        backend_ = std::make_unique<PostgresBackend>(location.text());
    } else {
        file_.emplace(location.text());
        backend_ = std::make_unique<SqliteBackend>(file_->db(), location.text());
    }
    // The table is made in the roster's own first write: a roster that
    // fails leaves no table behind.
    backend_->beginWrite();
    backend_->createRosterTable(layout);
    layout_ = backend_->readLayout(kSoldierTable);
    backend_->requireKeyedTable(kSoldierTable, layout_);
}

NewRoster::~NewRoster()
{
    if (backend_ && !finished_)
        backend_->rollbackWrite();
}

void NewRoster::finish()
{
    backend_->commitWrite();
    finished_ = true;
    backend_.reset();
    if (file_)
        file_->finish();
}

void createRoster(const RosterLocation& location)
{
    NewRoster(location, standardRosterLayout()).finish();
}

} // namespace varnel::store
