// The roster file as other programs and the disk see it: journal mode and
// side files, a file moved or replaced under the open roster, tables that
// cannot hold it, damage, a full disk, a read-only medium, safety copies.
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "store/recordset.h"
#include "store/safety_copy.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace varnel;
using namespace varnel::store;
using test::failureOf;
using test::filesBeside;

namespace {

int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
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
    int column(const char* name) { return rs().layout().indexOf(QString::fromLatin1(name)); }
    Value current(const char* name) { return rs().fieldValue(column(name)); }
    // Values the clerk typed into the form for the current record.
    void type(const char* field, const QString& text) { data1->setPending(QString::fromLatin1(field), Value::text(text)); }
    QVariant storedIn(const QString& path, qint64 key, const QString& field)
    {
        test::Connection other(path);
        return other.rows(QStringLiteral("SELECT * FROM Soldier WHERE _rowid_ = ?"), {key}).value(0).value(field);
    }
};

TEST_P(RosterFileTest, CommandsLeaveTheFileInItsJournalModeWithEveryChangeInsideIt)
{
    const struct {
        const char* name;
        std::function<void(RosterFileTest&)> command;
        std::function<void(const QString& copy)> check;
    } cases[] = {
        {"Update",
         [](RosterFileTest& t) {
             t.type("APFT", "B");
             updateRecord(*t.data1);
         },
         [](const QString& copy) { EXPECT_EQ(test::Connection(copy).rows("SELECT APFT FROM Soldier WHERE Name = 'ADAMS'").value(0).value("APFT"), "B"); }},
        {"Add", [](RosterFileTest& t) { addRecord(*t.data1); },
         [](const QString& copy) { EXPECT_EQ(test::Connection(copy).rows("SELECT * FROM Soldier").size(), 3); }},
        {"Delete", [](RosterFileTest& t) { deleteRecord(*t.data1); },
         [](const QString& copy) { EXPECT_EQ(test::Connection(copy).rows("SELECT Name FROM Soldier").size(), 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        file.exec("DELETE FROM Soldier");
        file.insertNames({"ADAMS", "BAKER"});
        const QString before = test::journalModeBytes(file.path());
        ASSERT_EQ(before, "1 1");
        open();
        c.command(*this);

        // While the roster is still open, the file alone is a whole backup.
        EXPECT_EQ(filesBeside(file.path()), QStringList()) << "no journal or log beside the roster";
        QTemporaryDir elsewhere;
        const QString copy = elsewhere.filePath("copy.MDB");
        ASSERT_TRUE(QFile::copy(file.path(), copy));
        c.check(copy);

        data1.reset();
        EXPECT_EQ(test::journalModeBytes(file.path()), before);
        EXPECT_EQ(filesBeside(file.path()), QStringList());
        EXPECT_EQ(test::integrityCheck(file.path()), "ok");
    }
}

TEST_P(RosterFileTest, AFileAnotherProgramLeftInWriteAheadLogModeStaysSoAndHoldsEveryChange)
{
    QTemporaryDir dir;
    const QString path = rosterPath(dir.path());
    test::writeRoster(path, {{{"Name", "ADAMS"}}}, GetParam());
    test::execOn(path, "PRAGMA journal_mode=WAL");
    ASSERT_EQ(test::journalModeBytes(path), "2 2");

    open(dir.path());
    type("APFT", "C");
    updateRecord(*data1);
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::copy(path, elsewhere.filePath("copy.MDB")));
    EXPECT_EQ(test::Connection(elsewhere.filePath("copy.MDB")).rows("SELECT APFT FROM Soldier").value(0).value("APFT"), "C")
        << "the change is in the file itself, not only in its log";

    data1.reset();
    EXPECT_EQ(test::journalModeBytes(path), "2 2") << "the file's mode is its own";
    EXPECT_EQ(filesBeside(path), QStringList()) << "no log or index left behind";
}

TEST_P(RosterFileTest, RefusesToWriteWhenTheFileWasMovedReplacedOrDeletedAndWritesNothingAnywhere)
{
    const struct {
        const char* name;
        const char* program;
        QStringList args;  // %1 the roster, %2 another roster in its folder, %3 a new name
        bool otherAtPath;  // the other roster stands at the roster's path afterwards
        QStringList files; // in the folder afterwards, the roster's path left out
    } cases[] = {
        {"deleted", "rm", {"%1"}, false, {"other.MDB"}},
        {"renamed away", "mv", {"%1", "%3"}, false, {"other.MDB", "renamed.MDB"}},
        {"another roster moved into its place", "mv", {"%2", "%1"}, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
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

        for (const auto& command : {update, add, remove}) {
            test::expectFailure(command, RecordsetError::RosterFileMoved, {path, "moved, replaced or deleted"});
        }
        EXPECT_TRUE(data1->hasPending()) << "the clerk's entries are kept";
        EXPECT_EQ(data1->shownValue("APFT"), Value::text("B"));

        data1.reset();
        EXPECT_EQ(filesBeside(path), c.files) << "no journal, no new file";
        EXPECT_EQ(QFileInfo::exists(path), c.otherAtPath) << "no file made at the roster's path";
        if (c.otherAtPath) {
            EXPECT_EQ(test::fileBytes(path), otherBytes) << "the roster moved into place is left as it was";
        }
        if (QFileInfo::exists(renamed)) {
            EXPECT_EQ(test::fileBytes(renamed), rosterBytes) << "the roster moved away is left as it was";
        }
        EXPECT_EQ(safetyCopiesOf(path), QStringList()) << "nothing written anywhere";
    }
}

TEST_P(RosterFileTest, AnotherRosterCopiedOverTheOpenFileIsNeverMistakenForIt)
{
    // The copy has the same change counter and size as the open file, so
    // SQLite alone cannot tell that every page may differ.
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

    // The roster at the path takes new records whole.
    data1->recordset().cancelUpdate();
    addRecord(*data1);
    EXPECT_EQ(test::integrityCheck(file.path()), "ok");
    EXPECT_EQ(test::Connection(file.path()).rows("SELECT * FROM Soldier").size(), 4);
}

TEST_P(RosterFileTest, RefusesTablesWhoseRecordsHaveNoRowKeyAndLeavesThemUntouched)
{
    const struct {
        const char* name;
        QStringList change; // statements that turn the roster into the case
        const char* why;
    } cases[] = {
        {"a view", {"ALTER TABLE Soldier RENAME TO SoldierData", "CREATE VIEW Soldier AS SELECT * FROM SoldierData"}, "it is a view"},
        {"a WITHOUT ROWID table", {"%without"}, "WITHOUT ROWID"},
        {"a column named _rowid_", {"ALTER TABLE Soldier ADD COLUMN \"_rowid_\" TEXT"}, "_rowid_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = rosterPath(dir.path());
        test::writeRoster(path, {{{"Name", "ADAMS"}}}, GetParam());
        for (const QString& statement : c.change) {
            if (statement != "%without") {
                test::execOn(path, statement);
                continue;
            }
            const QString create = test::Connection(path).rows("SELECT sql FROM sqlite_master WHERE name = 'Soldier'").value(0).value("sql").toString();
            test::execOn(path, "DROP TABLE Soldier");
            test::execOn(path, QString(create).remove(" AUTOINCREMENT") + " WITHOUT ROWID");
        }
        const QByteArray before = test::fileBytes(path);

        test::expectFailure([&] { open(dir.path()); }, RecordsetError::BadLayout, {c.why, path});
        data1.reset();
        EXPECT_EQ(test::fileBytes(path), before);
        EXPECT_EQ(filesBeside(path), QStringList());
    }
}

// A roster of many pages with one soldier's record damaged on a page that
// opening the roster never reads.
QString damagedRoster(const QString& directory, test::TableLayout layout)
{
    const QString path = rosterPath(directory);
    QList<QVariantMap> rows;
    for (int i = 0; i < 400; ++i)
        rows.append({{"Name", QStringLiteral("SOLDIER %1").arg(i, 3, 10, QLatin1Char('0'))},
                     {"PrefDates", i == 200 ? QStringLiteral("MARKER-OF-THE-DAMAGED-PAGE") : QString(60, u'x')}});
    test::writeRoster(path, rows, layout);
    test::execOn(path, "CREATE INDEX IF NOT EXISTS SoldierNames ON Soldier (Name)");
    test::damagePageHolding(path, "MARKER-OF-THE-DAMAGED-PAGE");
    return path;
}

TEST_P(RosterFileTest, DamageDeepInTheFileLetsTheRosterOpenButTakesNoWrite)
{
    for (bool checkStarted : {true, false}) {
        SCOPED_TRACE(checkStarted ? "checked in the background after opening" : "checked at the first write");
        QTemporaryDir dir;
        const QString path = damagedRoster(dir.path(), GetParam());
        const QByteArray before = test::fileBytes(path);
        open(dir.path());
        EXPECT_EQ(current("Name"), Value::text("SOLDIER 000"));
        if (checkStarted) {
            QSignalSpy damaged(data1.get(), &DataControl::fileDamaged);
            data1->startFileCheck();
            ASSERT_TRUE(damaged.wait(10000));
            EXPECT_EQ(damaged.at(0).at(0).toInt(), RecordsetError::DamagedFile);
        }
        type("APFT", "B");
        for (const auto& command : {update, add}) {
            test::expectFailure(command, RecordsetError::DamagedFile, {path, "damaged"});
        }
        data1.reset();
        EXPECT_EQ(test::fileBytes(path), before);
        EXPECT_EQ(filesBeside(path), QStringList());
    }
}

TEST_P(RosterFileTest, AFullDiskFailsWithTheEnginesCodeAndLeavesTheRecordAsItWas)
{
    test::ScratchMount disk(QStringLiteral("512k"));
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    const QString path = rosterPath(disk.path());
    test::writeRoster(path, {{{"Name", "ADAMS"}, {"PrefDates", "JUN"}}}, GetParam());
    open(disk.path());
    disk.fill();

    type("PrefDates", QString(200'000, u'J'));
    test::expectFailure(update, SQLITE_FULL, {path});
    EXPECT_TRUE(data1->hasPending()) << "the clerk's entries are kept";
    data1.reset();
    EXPECT_EQ(filesBeside(path), QStringList{"filler"}) << "no journal left";
    EXPECT_EQ(test::integrityCheck(path), "ok");
    EXPECT_EQ(test::Connection(path).rows("SELECT PrefDates FROM Soldier").value(0).value("PrefDates"), "JUN");
}

TEST_P(RosterFileTest, AReadOnlyMediumOpensAndRefusesWritesWithTheEnginesCode)
{
    // The rollback journal the program keeps, and another program's
    // write-ahead log, whose shared-memory file such a medium cannot hold.
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        test::ScratchMount medium;
        if (!medium.skipReason().isEmpty())
            GTEST_SKIP() << qPrintable(medium.skipReason());
        const QString path = rosterPath(medium.path());
        test::writeRoster(path, {{{"Name", "ADAMS"}}, {{"Name", "BAKER"}}}, GetParam());
        test::execOn(path, QStringLiteral("PRAGMA journal_mode=%1").arg(mode));
        const QString journal = test::journalModeBytes(path);
        medium.remountReadOnly();

        open(medium.path());
        EXPECT_EQ(rs().recordCount(), 2);
        EXPECT_EQ(current("Name"), Value::text("ADAMS"));
        type("APFT", "B");
        const auto failure = failureOf(update);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->number() & 0xff, SQLITE_READONLY) << qPrintable(failure->description());
        EXPECT_TRUE(failure->description().contains(path));
        data1.reset();
        EXPECT_EQ(filesBeside(path), QStringList());
        EXPECT_EQ(test::journalModeBytes(path), journal) << "the file's mode stays";
    }
}

TEST_P(RosterFileTest, TheFirstWriteOfARunSavesAPrivateSafetyCopyOutsideTheRosterFolder)
{
    const qint64 adams = file.insert({{"Name", "ADAMS"}, {"APFT", "A"}});
    open();
    EXPECT_EQ(safetyCopiesOf(file.path()), QStringList()) << "opening alone copies nothing";
    type("APFT", "B");
    updateRecord(*data1);
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
    updateRecord(*data1);
    addRecord(*data1);
    EXPECT_EQ(safetyCopiesOf(file.path()).size(), 1) << "one copy a run";
    open(); // the next run
    deleteRecord(*data1);
    EXPECT_EQ(safetyCopiesOf(file.path()).size(), 2);
}

TEST(SafetyCopies, TheNewestTwentyOfEachRosterFolderAreKept)
{
    test::RosterFile roster;
    test::RosterFile otherRoster;
    roster.insertNames({"ADAMS"});
    sqlite3* source = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(roster.path()).constData(), &source, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    saveSafetyCopy(source, otherRoster.path(), start);
    QStringList saved;
    for (int i = 0; i < 22; ++i)
        saved << saveSafetyCopy(source, roster.path(), start.addSecs(60 * i));

    EXPECT_EQ(safetyCopiesOf(roster.path()), saved.mid(2)) << "the two oldest went";
    EXPECT_TRUE(saved.last().endsWith("_2026-01-01_08-21-00.MDB")) << qPrintable(saved.last());
    EXPECT_EQ(safetyCopiesOf(otherRoster.path()).size(), 1) << "another folder's copies are its own";
    EXPECT_EQ(test::Connection(saved.last()).rows("SELECT Name FROM Soldier").value(0).value("Name"), "ADAMS");

    // The clock set back: the copy just made stays, the oldest stamp goes.
    const QString early = saveSafetyCopy(source, roster.path(), start.addYears(-1));
    sqlite3_close(source);
    const QStringList kept = safetyCopiesOf(roster.path());
    EXPECT_EQ(kept.size(), kSafetyCopiesKept);
    EXPECT_TRUE(kept.contains(early));
    EXPECT_FALSE(kept.contains(saved.at(2)));
}

// Where the copy cannot or may not go, the write goes on without it, the
// binding says why, and no folder Varnel did not make changes its mode.
TEST(SafetyCopies, AFolderThatCannotTakeTheCopyIsReportedAndLeftAsItWas)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    const struct {
        const char* name;
        std::function<QString(const QString& home, const QString& rosterFolder)> arrange; // gives XDG_DATA_HOME
    } cases[] = {
        {"a link from the backups folder to the roster's folder",
         [](const QString& home, const QString& rosterFolder) {
             QDir(home).mkpath("Varnel");
             QFile::link(rosterFolder, home + "/Varnel/backups");
             return home;
         }},
        {"the roster's folder as the data folder", [](const QString&, const QString& rosterFolder) { return rosterFolder; }},
        {"a file where the folder belongs",
         [](const QString& home, const QString&) {
             test::writeFile(home + "/Varnel", "not a folder");
             return home;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::RosterFile roster;
        const qint64 adams = roster.insert({{"Name", "ADAMS"}});
        QFile::setPermissions(roster.directory(), QFile::permissions(roster.directory()) | QFile::ReadGroup | QFile::ExeGroup);
        const int rosterFolderMode = modeOf(roster.directory());
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", c.arrange(home.path(), roster.directory()).toLocal8Bit());

        DataControl data1;
        QStringList told;
        QObject::connect(&data1, &DataControl::safetyCopyFailed, [&](int number, const QString& why) {
            told << QString::number(number) + ": " + why;
        });
        loadRoster(data1, roster.directory());
        data1.setPending("Rank", Value::text("SGT"));
        updateRecord(data1);
        data1.setPending("Rank", Value::text("SSG"));
        updateRecord(data1);
        ASSERT_EQ(told.size(), 1) << "told once";
        EXPECT_TRUE(told[0].startsWith("14: ")) << qPrintable(told[0]);
        EXPECT_EQ(roster.stored(adams, "Rank"), "SSG") << "the clerk's work goes in";
        EXPECT_EQ(test::filesBeside(roster.path()), QStringList()) << "nothing beside the roster";
        EXPECT_EQ(modeOf(roster.directory()), rosterFolderMode);
    }
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, RosterFileTest, test::kBothLayouts, test::layoutName);

} // namespace
