#include "support/roster_file.h"

#include "common/date_text.h"
#include "store/postgres_backend.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "store/sql_support.h"
#include "support/pg_cluster.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
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

// The table of `layout` as a new roster file holds it.
QString fileTableStatement(TableLayout layout)
{
    return layout == TableLayout::Standard ? tools::soldierTableStatements().first() : QString::fromUtf8(kRearranged);
}

// The same table on the server: read from an SQLite table of that layout,
// as `varnel-roster create` and `copy` make it.
QStringList serverStatements(TableLayout layout)
{
    const QString table = QStringLiteral("Soldier");
    return store::serverTableStatements(table, store::layoutOfFileTable(fileTableStatement(layout), table));
}

// The value as a file holds it: Yes/No as 1 and 0, dates as ISO text.
QVariant inFileEncoding(const QVariant& value)
{
    if (value.isNull())
        return value;
    switch (value.typeId()) {
    case QMetaType::Bool: return qlonglong(value.toBool() ? 1 : 0);
    case QMetaType::QDate: return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return isoDateText(dt, dt.time() != QTime(0, 0));
    }
    default: return value;
    }
}

// A server of this test program's own, stopped when the tests end (a
// listener added while the tests run still hears their end).
class OwnServer : public ::testing::EmptyTestEventListener {
public:
    explicit OwnServer(PgCluster* cluster) : cluster_(cluster) {}
    void OnTestProgramEnd(const ::testing::UnitTest&) override { cluster_.reset(); }

private:
    std::unique_ptr<PgCluster> cluster_;
};

TestServer findTestServer()
{
    TestServer server;
    QString connection;
    QFile shared(QStringLiteral(VARNEL_TEST_SERVER_DIR "/connection"));
    if (shared.open(QIODevice::ReadOnly)) {
        connection = QString::fromUtf8(shared.readAll());
    } else {
        auto* cluster = new PgCluster;
        ::testing::UnitTest::GetInstance()->listeners().Append(new OwnServer(cluster));
        if (!cluster->started()) {
            server.error = cluster->error();
            return server;
        }
        connection = QStringLiteral("PGHOST=%1\nPGPORT=%2\nPGUSER=%3\n").arg(cluster->socketDir()).arg(cluster->port()).arg(cluster->superuser());
    }
    for (const QString& line : connection.split(u'\n', Qt::SkipEmptyParts)) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QStringLiteral("PGHOST=")))
            server.host = value;
        else if (line.startsWith(QStringLiteral("PGPORT=")))
            server.port = value.toInt();
        else if (line.startsWith(QStringLiteral("PGUSER=")))
            server.user = value;
    }
    if (server.host.isEmpty())
        server.error = QStringLiteral("no server: ") + connection;
    return server;
}

// A QtSql connection `name` to `database` on the tests' server.
QSqlDatabase openOnTestServer(const QString& name, const QString& database)
{
    const TestServer& server = testServer();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setUserName(server.user);
    db.setDatabaseName(database);
    EXPECT_TRUE(db.open()) << "the tests' PostgreSQL server: " << qPrintable(server.error + db.lastError().text())
                           << " (scripts/install-deps.sh installs it)";
    return db;
}

// The server's database "postgres", where databases are made.
QSqlDatabase adminConnection()
{
    const QString name = QStringLiteral("varnel-test-admin");
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    return openOnTestServer(name, QStringLiteral("postgres"));
}

} // namespace

const TestServer& testServer()
{
    static const TestServer server = findTestServer();
    return server;
}

QString serverLocation(const QString& database)
{
    const TestServer& server = testServer();
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4").arg(database, server.host).arg(server.port).arg(server.user);
}

QString makeServerDatabase()
{
    // Made from the server's template in a few tens of milliseconds.
    static int serial = 0;
    const QString name = QStringLiteral("roster_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    QSqlQuery make(adminConnection());
    EXPECT_TRUE(make.exec(QStringLiteral("CREATE DATABASE %1").arg(name))) << qPrintable(make.lastError().text());
    return name;
}

std::unique_ptr<Connection> Connection::toServer(const QString& database)
{
    std::unique_ptr<Connection> c(new Connection);
    c->name_ = QStringLiteral("test-") + QUuid::createUuid().toString();
    c->server_ = true;
    openOnTestServer(c->name_, database);
    return c;
}

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
    // The server prepares no statement but a query or a change of rows.
    if (server_ && values.isEmpty()) {
        EXPECT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
        return q;
    }
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
    return q;
}

qint64 Connection::insert(const QVariantMap& columns) const
{
    QStringList names, marks;
    QVariantList values;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        names << u'"' + it.key() + u'"', marks << QStringLiteral("?");
        // A boolean column on the server takes true and false only.
        const bool flag = server_ && it.value().typeId() != QMetaType::QString && !it.value().isNull()
            && booleanColumns().contains(it.key());
        values << (flag ? QVariant(it.value().toLongLong() != 0) : it.value());
    }
    QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO \"Soldier\" DEFAULT VALUES")
                                  : QStringLiteral("INSERT INTO \"Soldier\" (%1) VALUES (%2)").arg(names.join(u','), marks.join(u','));
    if (!server_)
        return run(sql, values).lastInsertId().toLongLong();
    QSqlQuery q = run(sql + QStringLiteral(" RETURNING ") + keyName(), values);
    return q.next() ? q.value(0).toLongLong() : 0;
}

const QStringList& Connection::booleanColumns() const
{
    if (!booleans_) {
        booleans_.emplace();
        QSqlQuery q = run(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = '\"Soldier\"'::regclass"
                                         " AND atttypid = 'boolean'::regtype AND NOT attisdropped"));
        while (q.next())
            booleans_->append(q.value(0).toString());
    }
    return *booleans_;
}

QString Connection::keyName() const
{
    if (!server_)
        return QStringLiteral("_rowid_");
    if (keyName_.isEmpty()) {
        QSqlQuery q = run(QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid"
                                         " AND a.attnum = i.indkey[0] WHERE i.indrelid = '\"Soldier\"'::regclass AND i.indisprimary"));
        if (q.next())
            keyName_ = u'"' + q.value(0).toString() + u'"';
    }
    return keyName_;
}

QList<QVariantMap> Connection::rows(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q = run(sql, values);
    QList<QVariantMap> rows;
    while (q.next()) {
        QVariantMap fields;
        for (int c = 0; c < q.record().count(); ++c)
            fields.insert(q.record().fieldName(c), inFileEncoding(q.value(c)));
        rows.append(fields);
    }
    return rows;
}

std::string layoutName(const ::testing::TestParamInfo<TableLayout>& info)
{
    return info.param == TableLayout::Standard ? "Standard" : "Rearranged";
}

std::string rosterName(const ::testing::TestParamInfo<RosterKind>& info)
{
    return std::string(info.param.engine == Engine::File ? "File" : "Server")
        + (info.param.layout == TableLayout::Standard ? "Standard" : "Rearranged");
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
    : RosterFile(RosterKind{Engine::File, layout})
{
}

RosterFile::RosterFile(RosterKind kind)
    : kind_(kind)
{
    if (!onServer()) {
        writeRoster(path(), {}, kind.layout);
        connection_ = std::make_unique<Connection>(path());
        return;
    }
    database_ = makeServerDatabase();
    connection_ = Connection::toServer(database_);
    for (const QString& statement : serverStatements(kind.layout))
        connection_->run(statement);
}

RosterFile::~RosterFile()
{
    connection_.reset();
    if (onServer()) {
        QSqlQuery drop(adminConnection());
        drop.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_));
    }
}

int RosterFile::runInAnotherProgram(const QString& sql) const
{
    if (onServer())
        return runProgram(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                                   QStringLiteral("-d"), location(), QStringLiteral("-c"), sql});
    return runProgram(QStringLiteral("sqlite3"), {path(), sql});
}

void RosterFile::openIn(store::DataControl& data1) const
{
    data1.setDatabaseName(location());
    data1.setRecordSource(store::kRosterQuery);
    data1.refresh();
}

QString RosterFile::location() const
{
    return onServer() ? serverLocation(database_) : path();
}

QString RosterFile::keyColumn() const
{
    return connection_->keyName();
}

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
    return connection_->rows(QStringLiteral("SELECT * FROM \"Soldier\" ORDER BY %1").arg(keyColumn()));
}

QVariantMap RosterFile::record(qint64 key) const
{
    return connection_->rows(QStringLiteral("SELECT * FROM \"Soldier\" WHERE %1 = ?").arg(keyColumn()), {key}).value(0);
}

QVariantMap RosterFile::recordNamed(const QString& name) const
{
    return connection_->rows(QStringLiteral("SELECT * FROM \"Soldier\" WHERE \"Name\" = ?"), {name}).value(0);
}

QStringList RosterFile::names() const
{
    QStringList names;
    for (const QVariantMap& fields : records())
        names << fields.value(QStringLiteral("Name")).toString();
    return names;
}

QStringList RosterFile::columnNames() const
{
    const QSqlRecord record = connection_->run(QStringLiteral(R"(SELECT * FROM "Soldier" LIMIT 0)")).record();
    QStringList names;
    for (int c = 0; c < record.count(); ++c)
        names << record.fieldName(c);
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
