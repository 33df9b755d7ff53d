#include "support/roster_file.h"

#include "store/record_commands.h"
#include "tools/roster_files.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace varnel::test {

namespace {

// Another key at position 26, the free columns in another order, the
// evaluation pair swapped, DATETIME/BIT/YESNO types, and two extra columns.
const char* const kRearranged = R"(CREATE TABLE Soldier (
  "Rank" TEXT, "TotalDate" DATE, "Name" TEXT,
  "TISDate" DATETIME, "DORDate" DATETIME, "APFT" TEXT, "Weapon" TEXT,
  "MSM" BIT, "MSM2" BIT, "ARCOM" BIT, "ARCOM2" BIT, "ARCOM3" BIT,
  "AAM" YESNO, "AAM2" YESNO, "AAM3" YESNO, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "SSGTPoints" INTEGER, "1SGTPoints" INTEGER,
  "PrefDates" TEXT, "RecNo" INTEGER PRIMARY KEY AUTOINCREMENT, "NextSchool" TEXT, "LastSchool" TEXT,
  "TOTAL" INTEGER, "Remarks" TEXT, "Unit" TEXT))";

QString newConnectionName()
{
    return QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
    return q;
}

qint64 insertInto(const QSqlDatabase& db, const QVariantMap& columns)
{
    QStringList names, marks;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        names << u'"' + it.key() + u'"', marks << QStringLiteral("?");
    return run(db, names.isEmpty() ? QStringLiteral("INSERT INTO Soldier DEFAULT VALUES")
                                   : QStringLiteral("INSERT INTO Soldier (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')),
               columns.values())
        .lastInsertId()
        .toLongLong();
}

// A connection to one file for as long as it lives.
class Connection {
public:
    explicit Connection(const QString& path) : name_(newConnectionName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open()) << qPrintable(db.lastError().text());
    }
    ~Connection()
    {
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name_); }

private:
    QString name_;
};

} // namespace

std::string layoutName(const ::testing::TestParamInfo<TableLayout>& info)
{
    return info.param == TableLayout::Standard ? "Standard" : "Rearranged";
}

void execOn(const QString& path, const QString& sql)
{
    Connection connection(path);
    run(connection.db(), sql);
}

void writeRoster(const QString& path, const QList<QVariantMap>& rows, TableLayout layout)
{
    if (layout == TableLayout::Standard)
        tools::createRosterFile(path);
    Connection connection(path);
    if (layout == TableLayout::Rearranged)
        run(connection.db(), QString::fromUtf8(kRearranged));
    for (const QVariantMap& row : rows)
        insertInto(connection.db(), row);
}

RosterFile::RosterFile(TableLayout layout)
    : connection_(newConnectionName())
{
    writeRoster(path(), {}, layout);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path());
    EXPECT_TRUE(db.open());
}

RosterFile::~RosterFile()
{
    QSqlDatabase::database(connection_).close();
    QSqlDatabase::removeDatabase(connection_);
}

QString RosterFile::path() const
{
    return store::rosterPath(dir_.path());
}

qint64 RosterFile::insert(const QVariantMap& columns)
{
    return insertInto(QSqlDatabase::database(connection_), columns);
}

QList<qint64> RosterFile::insertNames(const QStringList& names)
{
    QList<qint64> keys;
    for (const QString& name : names)
        keys << insert({{QStringLiteral("Name"), name}});
    return keys;
}

void RosterFile::exec(const QString& sql) const
{
    run(QSqlDatabase::database(connection_), sql);
}

namespace {

QList<QVariantMap> rowsOf(QSqlQuery q)
{
    QList<QVariantMap> rows;
    while (q.next()) {
        QVariantMap fields;
        const QSqlRecord record = q.record();
        for (int c = 0; c < record.count(); ++c)
            fields.insert(record.fieldName(c), record.value(c));
        rows.append(fields);
    }
    return rows;
}

} // namespace

QList<QVariantMap> RosterFile::records() const
{
    return rowsOf(run(QSqlDatabase::database(connection_), QStringLiteral("SELECT * FROM Soldier ORDER BY _rowid_")));
}

QVariantMap RosterFile::record(qint64 key) const
{
    return rowsOf(run(QSqlDatabase::database(connection_), QStringLiteral("SELECT * FROM Soldier WHERE _rowid_ = ?"), {key}))
        .value(0);
}

QVariantMap RosterFile::recordNamed(const QString& name) const
{
    for (const QVariantMap& fields : records()) {
        if (fields.value(QStringLiteral("Name")).toString() == name)
            return fields;
    }
    return {};
}

QStringList RosterFile::names() const
{
    QStringList names;
    for (const QVariantMap& fields : records()) {
        const QVariant name = fields.value(QStringLiteral("Name"));
        names << (name.isNull() ? QStringLiteral("<null>") : name.toString());
    }
    return names;
}

std::optional<Failure> failureOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()) << qPrintable(path);
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace varnel::test
