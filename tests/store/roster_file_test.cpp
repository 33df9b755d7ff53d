#include "common/sqlite_open.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "store/safety_copy.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace varnel;
using namespace varnel::store;
using test::filesBeside;

namespace {

int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// "ok", or what failed: the opening ("open: ...") or the statement ("sql: ...").
QString openAndRun(const QString& path, SqliteAccess access, const QString& sql, const QStringList& pragmas = {},
                   bool pragmasMustSucceed = false)
{
    SqliteOptions options;
    options.access = access;
    options.pragmas = pragmas;
    options.pragmasMustSucceed = pragmasMustSucceed;
    QString outcome;
    {
        QSqlError error;
        QSqlDatabase db = openSqliteConnection("open-test", path, options, &error);
        if (!db.isValid()) {
            EXPECT_FALSE(QSqlDatabase::contains("open-test")) << "a failed opening leaves no connection behind";
            return "open: " + error.text();
        }
        QSqlQuery query(db);
        outcome = query.exec(sql) ? QStringLiteral("ok") : "sql: " + query.lastError().text();
    }
    QSqlDatabase::removeDatabase("open-test");
    return outcome;
}

TEST(SqliteOpen, FindsTheFileByAnyNameAndWritesOnlyWhereItMay)
{
    QTemporaryDir dir;
    const QString name = QString::fromUtf8("Müller ÅÆ what?#tag 100%;a=b&amp.db"); // all that a URI reads otherwise
    const QString path = dir.filePath(name);
    const auto rw = SqliteAccess::ReadWrite, ro = SqliteAccess::ReadOnly;
    test::execOn(path, "CREATE TABLE Soldier (Name TEXT)");
    EXPECT_EQ(openAndRun(path, rw, "INSERT INTO Soldier VALUES ('BAKER')"), "ok");
    EXPECT_EQ(test::Connection(path).rows("SELECT * FROM Soldier").size(), 1) << "the write went into that very file";
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(openAndRun(name, rw, "SELECT * FROM Soldier"), "ok") << "a relative path";
    QDir::setCurrent(before);
    // Read-only (a safety copy being restored from): no write, no new file.
    EXPECT_TRUE(openAndRun(path, ro, "INSERT INTO Soldier VALUES ('A')").startsWith("sql: "));
    EXPECT_TRUE(openAndRun(dir.filePath("missing.db"), ro, "SELECT 1").startsWith("open: "));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{name}) << "no file made for a name read otherwise";
    // A setting that must succeed holds (the reports' query_only).
    EXPECT_TRUE(openAndRun(path, rw, "INSERT INTO Soldier VALUES ('A')", {"query_only=1"}, true).startsWith("sql: "));
    EXPECT_EQ(openAndRun(path, rw, "SELECT * FROM Soldier", {"query_only=1"}, true), "ok");
}

class RosterFileTest : public ::testing::TestWithParam<test::TableLayout> {
public:
    test::RosterFile file{GetParam()};
    std::unique_ptr<DataControl> data1;

    void open(const QString& directory)
    {
        data1 = std::make_unique<DataControl>();
        loadRoster(*data1, directory);
    }
    void open() { open(file.directory()); }
    const std::function<void()> update = [this] { updateRecord(*data1); };
    const std::function<void()> add = [this] { addRecord(*data1); };
    const std::function<void()> remove = [this] { deleteRecord(*data1); };
    Recordset& rs() { return data1->recordset(); }
    void type(const char* field, const QString& text) { data1->setPending(field, Value::text(text)); }
    static QVariant storedIn(const QString& path, qint64 key, const QString& field)
    {
        return test::Connection(path).rows("SELECT * FROM Soldier WHERE _rowid_ = ?", {key}).value(0).value(field);
    }
    static int count(const QString& path, const char* where = "1")
    {
        return int(test::Connection(path).rows(QStringLiteral("SELECT * FROM Soldier WHERE %1").arg(where)).size());
    }
};

// Another program's write-ahead log stays, and the open file alone holds every
// store (the program's own rollback journal is tested by killing a writer).
TEST_P(RosterFileTest, AStoreLeavesAWriteAheadLogFileInItsModeWithTheChangeInsideIt)
{
    QTemporaryDir dir, elsewhere;
    const QString path = rosterPath(dir.path());
    test::writeRoster(path, {{{"Name", "ADAMS"}}, {{"Name", "BAKER"}}}, GetParam());
    test::execOn(path, "PRAGMA journal_mode=WAL");
    open(dir.path());
    type("APFT", "B");
    update();
    ASSERT_TRUE(QFile::copy(path, elsewhere.filePath("copy.MDB")));
    EXPECT_EQ(count(elsewhere.filePath("copy.MDB"), "Name = 'ADAMS' AND APFT = 'B'"), 1);
    data1.reset();
    EXPECT_EQ(test::journalModeBytes(path), "2 2");
    EXPECT_EQ(filesBeside(path), QStringList());
    EXPECT_EQ(test::integrityCheck(path), "ok");
}

TEST_P(RosterFileTest, RefusesToWriteWhenTheFileWasMovedReplacedOrDeletedAndWritesNothingAnywhere)
{
    const struct {
        const char* program;
        QStringList args;  // %1 the roster, %2 another roster in its folder, %3 a new name
        QStringList files; // in the folder afterwards, the roster's path left out
    } cases[] = {
        {"mv", {"%1", "%3"}, {"other.MDB", "renamed.MDB"}},
        {"mv", {"%2", "%1"}, {}}, // another roster moved into its place
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QTemporaryDir dir;
        const QString path = rosterPath(dir.path());
        const QString other = dir.filePath("other.MDB");
        const QString renamed = dir.filePath("renamed.MDB");
        test::writeRoster(path, {{{"Name", "ADAMS"}, {"APFT", "A"}}, {{"Name", "BAKER"}}}, GetParam());
        test::writeRoster(other, {{{"Name", "OTHER"}, {"APFT", "J"}}}, GetParam());
        const QByteArray rosterBytes = test::fileBytes(path);
        const QByteArray otherBytes = test::fileBytes(other);

        open(dir.path());
        type("APFT", "B");
        QStringList args;
        for (const QString& a : c.args)
            args << QString(a).replace("%1", path).replace("%2", other).replace("%3", renamed);
        ASSERT_EQ(test::runProgram(c.program, args), 0);

        for (const auto& command : {update, add, remove})
            test::expectFailure(command, RecordsetError::RosterFileMoved, {path, "moved, replaced or deleted"});
        EXPECT_EQ(data1->shownValue("APFT"), Value::text("B")) << "the clerk's entries are kept";

        data1.reset();
        EXPECT_EQ(filesBeside(path), c.files) << "no journal, no new file";
        EXPECT_EQ(QFileInfo::exists(path), c.files.isEmpty()) << "no file made at the roster's path";
        EXPECT_EQ(test::fileBytes(path), c.files.isEmpty() ? otherBytes : QByteArray());
        EXPECT_EQ(test::fileBytes(renamed), c.files.contains("renamed.MDB") ? rosterBytes : QByteArray());
        EXPECT_EQ(safetyCopiesOf(path), QStringList()) << "nothing written anywhere";
    }
}

TEST_P(RosterFileTest, AnotherRosterCopiedOverTheOpenFileIsNeverMistakenForIt)
{
    // Same change counter and size as the open file: SQLite alone cannot tell.
    const QList<qint64> keys = file.insertNames({"ADAMS", "BAKER", "CARTER"});
    open();
    QTemporaryDir elsewhere;
    const QString other = elsewhere.filePath("other.MDB");
    ASSERT_TRUE(QFile::copy(file.path(), other));
    test::execOn(other, QStringLiteral("UPDATE Soldier SET Name = 'XAVIER' WHERE _rowid_ = %1").arg(keys[0]));
    file.exec(QStringLiteral("UPDATE Soldier SET Rank = 'SGT' WHERE _rowid_ = %1").arg(keys[1]));
    rs().moveTo(1);
    rs().moveTo(0); // ADAMS, read again since the change above
    ASSERT_EQ(test::fileBytes(other).mid(24, 16), test::fileBytes(file.path()).mid(24, 16));

    ASSERT_EQ(test::runProgram("cp", {other, file.path()}), 0);
    type("APFT", "B");
    test::expectFailure(update, RecordsetError::ChangedByAnotherWriter, {"ADAMS"});
    EXPECT_EQ(storedIn(file.path(), keys[0], "Name"), "XAVIER") << "the soldier now under that key keeps his record";
    EXPECT_TRUE(storedIn(file.path(), keys[0], "APFT").isNull());
    rs().cancelUpdate();
    add();
    EXPECT_EQ(test::integrityCheck(file.path()), "ok");
    EXPECT_EQ(count(file.path()), 4);
}

TEST_P(RosterFileTest, ARosterThatCannotBeKeptIsRefusedAndNoFileIsMadeOrChanged)
{
    const struct {
        QStringList change; // on a new roster; "%..." below
        int number;
        const char* why;
    } cases[] = {
        {{"%missing"}, 14, ""}, // SQLITE_CANTOPEN
        {{"%garbage"}, 26, ""}, // SQLITE_NOTADB
        {{"DROP TABLE Soldier"}, 1, ""},
        {{"ALTER TABLE Soldier RENAME TISDate TO T", "ALTER TABLE Soldier RENAME DORDate TO TISDate",
          "ALTER TABLE Soldier RENAME T TO DORDate"},
         RecordsetError::BadLayout, "position 3"}, // Total would count the wrong months
        {{"ALTER TABLE Soldier RENAME TO SoldierData", "CREATE VIEW Soldier AS SELECT * FROM SoldierData"},
         RecordsetError::BadLayout, "it is a view"},
        {{"%without"}, RecordsetError::BadLayout, "WITHOUT ROWID"},
        {{"ALTER TABLE Soldier ADD COLUMN \"_rowid_\" TEXT"}, RecordsetError::BadLayout, "_rowid_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change.join("; ").toStdString());
        QTemporaryDir dir;
        const QString path = rosterPath(dir.path());
        test::writeRoster(path, {{{"Name", "ADAMS"}}}, GetParam());
        for (const QString& statement : c.change) {
            if (statement == "%without") {
                const auto rows = test::Connection(path).rows("SELECT sql FROM sqlite_master WHERE name = 'Soldier'");
                QString table = rows.value(0).value("sql").toString();
                test::execOn(path, "DROP TABLE Soldier");
                test::execOn(path, table.remove(" AUTOINCREMENT") + " WITHOUT ROWID");
            } else if (statement.startsWith('%')) { // no file, or no database
                QFile::remove(path);
                if (statement == "%garbage")
                    test::writeFile(path, QByteArray(4096, 'x'));
            } else {
                test::execOn(path, statement);
            }
        }
        const QByteArray before = test::fileBytes(path);
        test::expectFailure([&] { open(dir.path()); }, c.number, {c.why, path});
        EXPECT_FALSE(data1->isOpen());
        data1.reset();
        EXPECT_EQ(test::fileBytes(path), before);
        const QStringList files = before.isEmpty() ? QStringList() : QStringList{kRosterFileName};
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files) << "no file made, none beside the roster";
    }
}

TEST_P(RosterFileTest, DamageDeepInTheFileLetsTheRosterOpenButTakesNoWrite)
{
    QTemporaryDir dir;
    const QString path = rosterPath(dir.path());
    QList<QVariantMap> rows;
    for (int i = 0; i < 400; ++i)
        rows.append({{"Name", QStringLiteral("SOLDIER %1").arg(i, 3, 10, QLatin1Char('0'))},
                     {"PrefDates", i == 200 ? QStringLiteral("MARKER-OF-THE-DAMAGED-PAGE") : QString(60, u'x')}});
    test::writeRoster(path, rows, GetParam());
    test::execOn(path, "CREATE INDEX IF NOT EXISTS SoldierNames ON Soldier (Name)");
    test::damagePageHolding(path, "MARKER-OF-THE-DAMAGED-PAGE");
    const QByteArray before = test::fileBytes(path);
    open(dir.path());
    EXPECT_EQ(rs().fieldValue(rs().layout().indexOf("Name")), Value::text("SOLDIER 000"));
    type("APFT", "B");
    for (const auto& command : {update, add})
        test::expectFailure(command, RecordsetError::DamagedFile, {path, "damaged"});
    data1.reset();
    EXPECT_EQ(test::fileBytes(path), before);
    EXPECT_EQ(filesBeside(path), QStringList());
}

// (A read-only medium cannot hold a write-ahead log's shared-memory file.)
TEST_P(RosterFileTest, AFullDiskOrAReadOnlyMediumRefusesWritesWithTheEnginesCode)
{
    const struct {
        const char* mode;
        bool full; // else read-only
        int code;
    } cases[] = {{"DELETE", true, SQLITE_FULL}, {"DELETE", false, SQLITE_READONLY}, {"WAL", false, SQLITE_READONLY}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.full ? ", full" : ", read-only"));
        test::ScratchMount medium(QStringLiteral("512k"));
        if (!medium.skipReason().isEmpty())
            GTEST_SKIP() << qPrintable(medium.skipReason());
        const QString path = rosterPath(medium.path());
        test::writeRoster(path, {{{"Name", "ADAMS"}, {"PrefDates", "JUN"}}, {{"Name", "BAKER"}}}, GetParam());
        test::execOn(path, QStringLiteral("PRAGMA journal_mode=%1").arg(c.mode));
        const QString journal = test::journalModeBytes(path);
        if (!c.full)
            medium.remountReadOnly();
        open(medium.path());
        if (c.full)
            medium.fill();
        type("PrefDates", QString(200'000, u'J'));
        const auto failure = test::failureOf(update);
        ASSERT_TRUE(failure);
        EXPECT_EQ(c.full ? failure->number() : failure->number() & 0xff, c.code) << qPrintable(failure->description());
        EXPECT_TRUE(failure->description().contains(path));
        EXPECT_TRUE(data1->hasPending()) << "the clerk's entries are kept";
        data1.reset();
        EXPECT_EQ(filesBeside(path), c.full ? QStringList{"filler"} : QStringList()) << "no journal left";
        EXPECT_EQ(test::journalModeBytes(path), journal) << "the file's mode stays";
        if (c.full) {
            EXPECT_EQ(test::integrityCheck(path), "ok");
            EXPECT_EQ(count(path, "PrefDates = 'JUN'"), 1);
        }
    }
}

TEST_P(RosterFileTest, TheFirstWriteOfARunSavesAPrivateSafetyCopyOutsideTheRosterFolder)
{
    const qint64 adams = file.insert({{"Name", "ADAMS"}, {"APFT", "A"}});
    open();
    EXPECT_EQ(safetyCopiesOf(file.path()), QStringList()) << "opening alone copies nothing";
    type("APFT", "B");
    update();
    const QStringList copies = safetyCopiesOf(file.path());
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(data1->safetyCopy(), copies.first());
    EXPECT_EQ(storedIn(copies.first(), adams, "APFT"), "A") << "the copy is the roster as it was before the write";
    EXPECT_EQ(QFileInfo(copies.first()).absolutePath(), safetyCopyFolder());
    EXPECT_TRUE(safetyCopyFolder().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    EXPECT_EQ(modeOf(safetyCopyFolder()), 0700) << "only the user may enter the folder";
    EXPECT_EQ(modeOf(copies.first()), 0600) << "only the user may read the copy";
    EXPECT_EQ(filesBeside(file.path()), QStringList()) << "nothing is written into the roster's folder";

    type("APFT", "C");
    update();
    add();
    EXPECT_EQ(safetyCopiesOf(file.path()).size(), 1) << "one copy a run";
    open(); // the next run
    remove();
    EXPECT_EQ(safetyCopiesOf(file.path()).size(), 2);
}

TEST(SafetyCopies, TheNewestTwentyOfEachRosterFolderAreKept)
{
    test::RosterFile roster, otherRoster;
    roster.insertNames({"ADAMS"});
    sqlite3* source = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(roster.path()).constData(), &source, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    saveSafetyCopy(source, otherRoster.path(), start);
    QStringList saved;
    for (int i = 0; i < 22; ++i)
        saved << saveSafetyCopy(source, roster.path(), start.addSecs(60 * i));

    EXPECT_EQ(safetyCopiesOf(roster.path()), saved.mid(2)) << "the two oldest went";
    EXPECT_TRUE(saved.last().endsWith("_2026-01-01_08-21-00.MDB")) << qPrintable(saved.last());
    EXPECT_EQ(safetyCopiesOf(otherRoster.path()).size(), 1) << "another folder's copies are its own";

    // The clock set back: the copy just made stays, the oldest stamp goes.
    const QString early = saveSafetyCopy(source, roster.path(), start.addYears(-1));
    sqlite3_close(source);
    const QStringList kept = safetyCopiesOf(roster.path());
    EXPECT_EQ(kept.size(), kSafetyCopiesKept);
    EXPECT_TRUE(kept.contains(early));
    EXPECT_FALSE(kept.contains(saved.at(2)));
}

TEST(SafetyCopies, AFolderThatMayNotTakeTheCopyIsReportedAndLeftAsItWas)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a link from the backups folder to the roster's" : "the roster's folder as the data folder");
        test::RosterFile roster;
        const qint64 adams = roster.insert({{"Name", "ADAMS"}});
        QFile::setPermissions(roster.directory(),
                              QFile::permissions(roster.directory()) | QFile::ReadGroup | QFile::ExeGroup);
        const int rosterFolderMode = modeOf(roster.directory());
        QTemporaryDir home;
        QDir(home.path()).mkpath("Varnel");
        QFile::link(roster.directory(), home.filePath("Varnel/backups"));
        qputenv("XDG_DATA_HOME", (link ? home.path() : roster.directory()).toLocal8Bit());

        DataControl data1;
        QStringList told;
        QObject::connect(&data1, &DataControl::safetyCopyFailed,
                         [&](int number, const QString& why) { told << QString::number(number) + ": " + why; });
        loadRoster(data1, roster.directory());
        for (const char* rank : {"SGT", "SSG"}) {
            data1.setPending("Rank", Value::text(rank));
            updateRecord(data1);
        }
        ASSERT_EQ(told.size(), 1) << "told once";
        EXPECT_TRUE(told[0].startsWith("14: ")) << qPrintable(told[0]);
        EXPECT_EQ(roster.stored(adams, "Rank"), "SSG") << "the clerk's work goes in";
        EXPECT_EQ(filesBeside(roster.path()), QStringList()) << "nothing beside the roster";
        EXPECT_EQ(modeOf(roster.directory()), rosterFolderMode);
    }
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, RosterFileTest, test::kBothLayouts, test::layoutName);

} // namespace
