#include "support/roster_file.h"

#include "common/date_text.h"
#include "store/postgres_backend.h"
#include "store/roster_history.h"
#include "store/sql_support.h"
#include "support/program_run.h"
#include "tools/roster_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <iostream>
#include <utility>

namespace varnel::test {

namespace {

// Another key at position 26, DATETIME/BIT/YESNO types, and two extra columns.
const char* const kRearranged = R"(CREATE TABLE Soldier ("Rank" TEXT, "TotalDate" DATE, "Name" TEXT,
  "TISDate" DATETIME, "DORDate" DATETIME, "APFT" TEXT, "Weapon" TEXT, "MSM" BIT, "MSM2" BIT, "ARCOM" BIT, "ARCOM2" BIT,
  "ARCOM3" BIT, "AAM" YESNO, "AAM2" YESNO, "AAM3" YESNO, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "SSGTPoints" INTEGER, "1SGTPoints" INTEGER, "PrefDates" TEXT, "RecNo" INTEGER PRIMARY KEY AUTOINCREMENT,
  "NextSchool" TEXT, "LastSchool" TEXT, "TOTAL" INTEGER, "Remarks" TEXT, "Unit" TEXT))";

// The value as a file holds it: Yes/No as 1 and 0, dates as ISO text.
QVariant inFileEncoding(const QVariant& value)
{
    if (value.isNull())
        return value;
    switch (value.typeId()) {
    case QMetaType::Bool: return qlonglong(value.toBool() ? 1 : 0);
    case QMetaType::QDate: return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime: return isoDateText(value.toDateTime(), value.toDateTime().time() != QTime(0, 0));
    default: return value;
    }
}

const QString kClusterScript = QStringLiteral(VARNEL_SOURCE_DIR "/scripts/pg-cluster.sh");

// A server of this program's own (its socket's path kept short), stopped by a listener, even one added late.
struct OwnServer : ::testing::EmptyTestEventListener {
    QTemporaryDir dir{QStringLiteral("/tmp/varnel-pg-XXXXXX")};
    bool started = false;
    void OnTestProgramEnd(const ::testing::UnitTest&) override
    {
        if (std::exchange(started, false))
            runToEnd(kClusterScript, {QStringLiteral("stop"), dir.path()}, 60000);
        dir.remove();
    }
};

TestServer findTestServer()
{
    QString connection = QString::fromUtf8(fileBytes(QStringLiteral(VARNEL_TEST_SERVER_DIR "/connection")));
    if (connection.isEmpty()) { // its PGHOST, PGPORT and PGUSER lines, or why it failed
        auto* own = new OwnServer;
        ::testing::UnitTest::GetInstance()->listeners().Append(own);
        const ProgramRun run = runToEnd(kClusterScript, {QStringLiteral("start"), own->dir.path()}, 60000);
        own->started = run.exitCode == 0;
        connection = own->started ? run.out : QStringLiteral("pg-cluster.sh start ended with %1:\n%2%3").arg(run.exitCode).arg(run.out, run.err);
    }
    const auto value = [&](const char* key) {
        return QRegularExpression(QString("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption).match(connection).captured(1);
    };
    TestServer server{value("PGHOST"), value("PGPORT").toInt(), value("PGUSER"), {}};
    if (server.host.isEmpty())
        server.error = QStringLiteral("no server: ") + connection;
    return server;
}

void openOnTestServer(const QString& name, const QString& database)
{
    const TestServer& server = testServer();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setUserName(server.user);
    db.setDatabaseName(database);
    EXPECT_TRUE(db.open()) << "the tests' PostgreSQL server: " << qPrintable(server.error + db.lastError().text())
                           << " (scripts/install-deps.sh installs it)";
}

QSqlDatabase adminConnection()
{
    const QString name = QStringLiteral("varnel-test-admin");
    if (!QSqlDatabase::contains(name))
        openOnTestServer(name, QStringLiteral("postgres"));
    return QSqlDatabase::database(name);
}

} // namespace

const TestServer& testServer()
{
    static const TestServer server = findTestServer();
    return server;
}

QString makeServerDatabase()
{
    static int serial = 0;
    const QString name = QStringLiteral("roster_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    QSqlQuery make(adminConnection());
    EXPECT_TRUE(make.exec(QStringLiteral("CREATE DATABASE %1").arg(name))) << qPrintable(make.lastError().text());
    return name;
}

std::unique_ptr<Connection> Connection::toServer(const QString& database)
{
    std::unique_ptr<Connection> c(new Connection);
    c->server_ = true;
    openOnTestServer(c->name_, database);
    return c;
}

Connection::Connection(const QString& path)
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
    const bool direct = server_ && values.isEmpty();
    if (!direct) {
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
    }
    EXPECT_TRUE(direct ? q.exec(sql) : q.exec()) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
    return q;
}

qint64 Connection::insert(const QVariantMap& columns) const
{
    // The award flags are boolean on the server, which takes no numbers for them.
    static const QRegularExpression kFlag(QStringLiteral("^(MSM|ARCOM|AAM|LTR/COM)[23]?$"));
    QStringList names, marks;
    QVariantList values;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        names << u'"' + it.key() + u'"', marks << QStringLiteral("?");
        const bool flag = server_ && it.value().typeId() != QMetaType::QString && !it.value().isNull() && kFlag.match(it.key()).hasMatch();
        values << (flag ? QVariant(it.value().toLongLong() != 0) : it.value());
    }
    QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO \"Soldier\" DEFAULT VALUES")
                                  : QStringLiteral("INSERT INTO \"Soldier\" (%1) VALUES (%2)").arg(names.join(u','), marks.join(u','));
    if (!server_)
        return run(sql, values).lastInsertId().toLongLong();
    QSqlQuery q = run(sql + QStringLiteral(" RETURNING ") + keyName(), values);
    return q.next() ? q.value(0).toLongLong() : 0;
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

void writeRoster(const QString& path, const QList<QVariantMap>& rows, TableLayout layout)
{
    if (layout == TableLayout::Standard)
        tools::createRoster(RosterLocation(path));
    Connection file(path);
    if (layout == TableLayout::Rearranged)
        file.run(QString::fromUtf8(kRearranged));
    file.run(QStringLiteral("BEGIN")); // one wait for the disk, not one a row
    for (const QVariantMap& row : rows)
        file.insert(row);
    file.run(QStringLiteral("COMMIT"));
}

RosterFile::RosterFile(RosterKind kind) : kind_(kind)
{
    if (!onServer()) {
        writeRoster(path(), {}, kind.layout);
        connection_ = std::make_unique<Connection>(path());
        return;
    }
    database_ = makeServerDatabase();
    connection_ = Connection::toServer(database_);
    // As `varnel-roster create` and `copy` make it: from an SQLite table of that layout.
    const QString fileTable = kind.layout == TableLayout::Standard ? tools::soldierTableStatements().first() : QString::fromUtf8(kRearranged);
    for (const QString& statement : store::serverTableStatements("Soldier", store::layoutOfFileTable(fileTable, "Soldier"))
             + store::serverHistoryStatements("Soldier", kind.layout == TableLayout::Standard ? "ID" : "RecNo")
             + store::serverChangeNoticeStatements("Soldier"))
        connection_->run(statement);
}

RosterFile::~RosterFile()
{
    connection_.reset();
    if (onServer())
        QSqlQuery(adminConnection()).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_));
}

int RosterFile::runInAnotherProgram(const QString& sql) const
{
    return onServer() ? runProgram("psql", {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", location(), "-c", sql})
                      : runProgram("sqlite3", {path(), sql});
}

QString RosterFile::locationAs(const QString& role, const QString& password) const
{
    exec(QStringLiteral(R"(DO $$ BEGIN CREATE ROLE password_login; EXCEPTION WHEN duplicate_object THEN NULL; END $$;
                           DO $$ BEGIN CREATE ROLE %1 LOGIN IN ROLE password_login; EXCEPTION WHEN duplicate_object THEN NULL; END $$;
                           ALTER ROLE %1 PASSWORD '%2'; GRANT SELECT, INSERT, UPDATE, DELETE ON "Soldier" TO %1)").arg(role, password));
    return QString(location()).replace(QRegularExpression(QStringLiteral("user=[^&]*")), QStringLiteral("user=") + role);
}

QList<qint64> RosterFile::insertNames(const QStringList& names)
{
    QList<qint64> keys;
    for (const QString& name : names)
        keys << insert({{QStringLiteral("Name"), name}});
    return keys;
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
    QStringList rows;
    for (int i = 0; i < data.recordset().recordCount(); ++i) {
        QStringList texts;
        for (const QString& column : columns)
            texts << data.displayValue(i, data.recordset().layout().indexOf(column)).displayText();
        rows << texts.join(u'/');
    }
    return rows;
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
        EXPECT_TRUE(failure->description().contains(mention)) << qPrintable(failure->description()) << " lacks " << qPrintable(mention);
    return failure;
}

QStringList filesBeside(const QString& rosterPath)
{
    const QFileInfo roster(rosterPath);
    QStringList names = QDir(roster.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeAll(roster.fileName());
    return names;
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
    if (!QFileInfo(path).isFile())
        return QStringLiteral("no file at ") + path;
    QStringList verdict;
    for (const QVariantMap& row : Connection(path).rows(QStringLiteral("PRAGMA integrity_check")))
        verdict << row.first().toString();
    return verdict.join(QStringLiteral("; "));
}

int runProgram(const QString& program, const QStringList& args)
{
    const ProgramRun run = runToEnd(program, args, 30000);
    if (run.exitCode > 0)
        std::cerr << qPrintable(program) << ": " << qPrintable(run.err);
    return run.exitCode;
}

ScratchMount::ScratchMount(const QString& size)
{
    const ProgramRun run = runToEnd("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", dir_.path()}, 10000);
    mounted_ = run.exitCode == 0;
    if (!mounted_)
        skipReason_ = QStringLiteral("cannot mount a scratch file system here: ") + run.err.trimmed();
}

void ScratchMount::fill()
{
    QFile filler(dir_.filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (const QByteArray& chunk : {QByteArray(4096, '\0'), QByteArray(1, '\0')}) // then the last partial block
        while (filler.write(chunk) == chunk.size()) {
        }
}

} // namespace varnel::test
