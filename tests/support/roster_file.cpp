#include "support/roster_file.h"

#include "store/record_commands.h"
#include "store/recordset.h"
#include "store/sql_support.h"
#include "tools/roster_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <iostream>

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

} // namespace

Connection::Connection(const QString& path)
    : name_(QStringLiteral("test-") + QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    EXPECT_TRUE(db.open()) << qPrintable(db.lastError().text());
}

Connection::~Connection()
{
    QSqlDatabase::database(name_).close();
    QSqlDatabase::removeDatabase(name_);
}

QSqlQuery Connection::run(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q(QSqlDatabase::database(name_));
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
    return q;
}

qint64 Connection::insert(const QVariantMap& columns) const
{
    QStringList names, marks;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        names << u'"' + it.key() + u'"', marks << QStringLiteral("?");
    const QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO Soldier DEFAULT VALUES")
                                        : QStringLiteral("INSERT INTO Soldier (%1) VALUES (%2)").arg(names.join(u','), marks.join(u','));
    return run(sql, columns.values()).lastInsertId().toLongLong();
}

QList<QVariantMap> Connection::rows(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q = run(sql, values);
    QList<QVariantMap> rows;
    while (q.next()) {
        QVariantMap fields;
        for (int c = 0; c < q.record().count(); ++c)
            fields.insert(q.record().fieldName(c), q.value(c));
        rows.append(fields);
    }
    return rows;
}

std::string layoutName(const ::testing::TestParamInfo<TableLayout>& info)
{
    return info.param == TableLayout::Standard ? "Standard" : "Rearranged";
}

void execOn(const QString& path, const QString& sql)
{
    Connection(path).run(sql);
}

void writeRoster(const QString& path, const QList<QVariantMap>& rows, TableLayout layout)
{
    if (layout == TableLayout::Standard)
        tools::createRosterFile(path);
    Connection file(path);
    if (layout == TableLayout::Rearranged)
        file.run(QString::fromUtf8(kRearranged));
    // One transaction: one wait for the disk, not one a row.
    file.run(QStringLiteral("BEGIN"));
    for (const QVariantMap& row : rows)
        file.insert(row);
    file.run(QStringLiteral("COMMIT"));
}

RosterFile::RosterFile(TableLayout layout)
{
    writeRoster(path(), {}, layout);
    connection_ = std::make_unique<Connection>(path());
}

RosterFile::~RosterFile() = default;

QString RosterFile::path() const
{
    return store::rosterPath(dir_.path());
}

qint64 RosterFile::insert(const QVariantMap& columns)
{
    return connection_->insert(columns);
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
    connection_->run(sql);
}

QList<QVariantMap> RosterFile::records() const
{
    return connection_->rows(QStringLiteral("SELECT * FROM Soldier ORDER BY _rowid_"));
}

QVariantMap RosterFile::record(qint64 key) const
{
    return connection_->rows(QStringLiteral("SELECT * FROM Soldier WHERE _rowid_ = ?"), {key}).value(0);
}

QVariantMap RosterFile::recordNamed(const QString& name) const
{
    return connection_->rows(QStringLiteral("SELECT * FROM Soldier WHERE Name = ?"), {name}).value(0);
}

QStringList RosterFile::names() const
{
    QStringList names;
    for (const QVariantMap& fields : records())
        names << fields.value(QStringLiteral("Name")).toString();
    return names;
}

QStringList shownRows(store::DataControl& data, const QStringList& columns)
{
    const store::Recordset& rs = data.recordset();
    QStringList rows;
    for (int i = 0; i < rs.recordCount(); ++i) {
        QStringList texts;
        for (const QString& column : columns)
            texts << data.displayValue(i, rs.layout().indexOf(column)).displayText();
        rows << texts.join(u'/');
    }
    return rows;
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

std::optional<Failure> expectFailure(const std::function<void()>& run, int number, const QStringList& mentions)
{
    const auto failure = failureOf(run);
    if (!failure) {
        ADD_FAILURE() << "no failure, expected " << number;
        return failure;
    }
    EXPECT_EQ(failure->number(), number) << qPrintable(failure->description());
    for (const QString& mention : mentions)
        EXPECT_TRUE(failure->description().contains(mention))
            << qPrintable(failure->description()) << " lacks " << qPrintable(mention);
    return failure;
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

namespace varnel::test {

QStringList filesBeside(const QString& rosterPath)
{
    const QFileInfo roster(rosterPath);
    QStringList names = QDir(roster.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeAll(roster.fileName());
    return names;
}

QString journalModeBytes(const QString& path)
{
    const QByteArray header = fileBytes(path).left(20);
    if (header.size() < 20)
        return QStringLiteral("no header");
    return QStringLiteral("%1 %2").arg(int(header.at(18))).arg(int(header.at(19)));
}

void damagePageHolding(const QString& path, const QByteArray& marker)
{
    QByteArray bytes = fileBytes(path);
    ASSERT_GE(bytes.size(), 100);
    const int pageSize = (uchar(bytes.at(16)) << 8) | uchar(bytes.at(17));
    const qsizetype at = bytes.indexOf(marker);
    ASSERT_GT(at, pageSize) << "the marker is on a page past the first";
    bytes[at / pageSize * pageSize] = char(0x42); // no page type
    writeFile(path, bytes);
}

QString integrityCheck(const QString& path)
{
    const QString name = QStringLiteral("check-") + QUuid::createUuid().toString();
    QString verdict;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(store::sqliteFileUri(path, false));
        QSqlQuery q(db);
        if (!db.open() || !q.exec(QStringLiteral("PRAGMA integrity_check")))
            verdict = QStringLiteral("cannot check: ") + (db.isOpen() ? q.lastError().text() : db.lastError().text());
        while (q.next())
            verdict += (verdict.isEmpty() ? QString() : QStringLiteral("; ")) + q.value(0).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}

int runProgram(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << qPrintable(program) << " did not run: " << qPrintable(process.errorString());
        return -1;
    }
    if (process.exitCode() != 0)
        std::cerr << qPrintable(program) << ": " << process.readAllStandardError().toStdString();
    return process.exitCode();
}

ScratchMount::ScratchMount(const QString& size)
{
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                          QStringLiteral("size=") + size, QStringLiteral("tmpfs"), dir_.path()});
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0) {
        skipReason_ = QStringLiteral("cannot mount a scratch file system here: ")
            + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed() + mount.errorString();
        return;
    }
    mounted_ = true;
}

ScratchMount::~ScratchMount()
{
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir_.path()});
}

void ScratchMount::remountReadOnly()
{
    EXPECT_EQ(runProgram(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir_.path()}), 0);
}

void ScratchMount::fill()
{
    QFile filler(dir_.filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray chunk(4096, '\0');
    while (filler.write(chunk) == chunk.size() && filler.flush()) {
    }
    // The last partial block too.
    while (filler.write(chunk.left(1)) == 1 && filler.flush()) {
    }
}

} // namespace varnel::test
