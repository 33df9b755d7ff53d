#include "common/sqlite_open.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

using namespace varnel;

namespace {

QString uniqueName()
{
    return QStringLiteral("open-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Opens `path`, runs `sql` and says what happened: "ok", or the failure of
// the opening ("open: ...") or of the statement ("sql: ..."). The connection
// is gone afterwards either way.
QString openAndRun(const QString& path, const SqliteOptions& options, const QString& sql)
{
    const QString name = uniqueName();
    QString outcome;
    {
        QSqlError error;
        QSqlDatabase db = openSqliteConnection(name, path, options, &error);
        if (!db.isValid()) {
            outcome = QStringLiteral("open: ") + error.text();
            EXPECT_FALSE(QSqlDatabase::contains(name)) << "a failed opening leaves no connection behind";
            return outcome;
        }
        QSqlQuery query(db);
        outcome = query.exec(sql) ? QStringLiteral("ok") : QStringLiteral("sql: ") + query.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    return outcome;
}

SqliteOptions access(SqliteAccess how)
{
    SqliteOptions options;
    options.access = how;
    return options;
}

TEST(SqliteOpen, FindsTheFileWhateverItsNameHolds)
{
    QTemporaryDir dir;
    const char* names[] = {"plain.db", "with space.db", "what?.db", "hash#tag.db", "100%.db", "Müller ÅÆ.db",
                           "semi;colon=equal&amp.db"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromUtf8(name));
        test::execOn(path, "CREATE TABLE Soldier (Name TEXT)");
        test::execOn(path, "INSERT INTO Soldier VALUES ('ADAMS')");
        EXPECT_EQ(openAndRun(path, access(SqliteAccess::ReadWrite), "INSERT INTO Soldier VALUES ('BAKER')"), "ok");
        EXPECT_EQ(test::Connection(path).rows("SELECT count(*) AS n FROM Soldier").value(0).value("n").toInt(), 2)
            << "the write went into that very file";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QString::fromUtf8(name)}))
            << "no other file made for a name read differently";
        QFile::remove(path);
    }

    // A relative path is taken from the current folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    test::execOn(dir.filePath("relative.db"), "CREATE TABLE Soldier (Name TEXT)");
    EXPECT_EQ(openAndRun("relative.db", access(SqliteAccess::ReadWrite), "SELECT * FROM Soldier"), "ok");
    QDir::setCurrent(before);
}

TEST(SqliteOpen, EachAccessCreatesAndWritesOnlyWhatItMay)
{
    const struct {
        const char* access;
        SqliteAccess how;
        bool fileThere;
        const char* outcome; // how the outcome begins
        bool fileAfter;
    } cases[] = {
        {"read-write on a missing file", SqliteAccess::ReadWrite, false, "open: ", false},
        {"read-only on a missing file", SqliteAccess::ReadOnly, false, "open: ", false},
        {"read-write-create on a missing file", SqliteAccess::ReadWriteCreate, false, "ok", true},
        {"read-write on a file", SqliteAccess::ReadWrite, true, "ok", true},
        {"read-only on a file", SqliteAccess::ReadOnly, true, "sql: ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.access);
        QTemporaryDir dir;
        const QString path = dir.filePath("Varnel_DATA.MDB");
        if (c.fileThere)
            test::execOn(path, "CREATE TABLE Soldier (Name TEXT)");
        const QString outcome = openAndRun(path, access(c.how), "CREATE TABLE Unit (Name TEXT)");
        EXPECT_TRUE(outcome.startsWith(QLatin1String(c.outcome))) << outcome.toStdString();
        EXPECT_EQ(QFileInfo::exists(path), c.fileAfter);
    }
}

TEST(SqliteOpen, APragmaThatMustSucceedRefusesAFileThatIsNoDatabase)
{
    QTemporaryDir dir;
    const QString text = test::writeFile(dir.filePath("notes.txt"), QByteArray(4096, 'x'));

    SqliteOptions lenient;
    lenient.pragmas = {QStringLiteral("synchronous=EXTRA")};
    EXPECT_TRUE(openAndRun(text, lenient, "SELECT 1").startsWith("ok")) << "the opening goes on without the setting";

    SqliteOptions strict = lenient;
    strict.pragmasMustSucceed = true;
    EXPECT_TRUE(openAndRun(text, strict, "SELECT 1").startsWith("open: "));

    // The settings hold on a database.
    const QString roster = dir.filePath("roster.db");
    test::execOn(roster, "CREATE TABLE Soldier (Name TEXT)");
    SqliteOptions queries;
    queries.pragmas = {QStringLiteral("query_only=1")};
    queries.pragmasMustSucceed = true;
    EXPECT_TRUE(openAndRun(roster, queries, "INSERT INTO Soldier VALUES ('A')").startsWith("sql: "))
        << "a connection kept to queries writes nothing";
    EXPECT_EQ(openAndRun(roster, queries, "SELECT * FROM Soldier"), "ok");
}

} // namespace
