// `varnel-roster import` as a clerk runs it: every value of a real Access
// roster against mdb-export's reading of the same file, and every refusal
// leaving nothing behind.
#include "jet_fixture.h"

#include "legacy/access_import.h"
#include "legacy/import_failures.h"

#include <QFileInfo>
#include <QSqlQuery>

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

// The Jet type of each column, as the reader sees the design.
QList<quint8> columnTypes(const QString& access)
{
    QList<quint8> types;
    for (const AccessColumn& c : readWhole(access, kSoldierTable).columns)
        types << c.type;
    return types;
}

class ImportTool : public ::testing::TestWithParam<QString> {};

TEST_P(ImportTool, BringsEveryValueAcrossAsMdbExportReadsIt)
{
    QTemporaryDir dir;
    const QString access = copyJetFile(GetParam(), dir.filePath("Varnel_DATA.MDB"));
    const QByteArray accessBefore = fileBytes(access);
    const QString roster = dir.filePath("new/Varnel_DATA.MDB");
    QDir(dir.path()).mkdir("new");

    const ToolRun run = runRosterTool({"import", access, roster});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains("Jet 4")) << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains("300 records\n")) << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains("30 columns: 2 date, 11 yes/no, 9 integer, 8 text")) << qPrintable(run.out);
    EXPECT_EQ(fileBytes(access), accessBefore) << "the Access file is only read";
    EXPECT_EQ(folderEntries(dir.filePath("new")), QStringList{"Varnel_DATA.MDB"}) << "nothing else beside it";

    // The design: the same names in the same order, declared by kind, the
    // AutoNumber as the key, an index on Name.
    const Export exported = mdbExport(access, "Soldier");
    ASSERT_EQ(exported.rows.size(), 300);
    Connection db(roster);
    QStringList names, declared;
    int keyColumn = -1;
    QSqlQuery info = db.run("PRAGMA table_info(\"Soldier\")");
    while (info.next()) {
        names << info.value(1).toString();
        declared << info.value(2).toString();
        if (info.value(5).toInt() == 1)
            keyColumn = int(names.size()) - 1;
    }
    EXPECT_EQ(names, exported.header);
    EXPECT_EQ(keyColumn, 0) << "ID is the key";
    EXPECT_EQ(declared.mid(0, 8), (QStringList{"INTEGER", "TEXT", "TEXT", "DATETIME", "DATETIME", "TEXT", "TEXT", "BOOLEAN"}));
    EXPECT_EQ(declared.mid(17, 13), (QStringList{"BOOLEAN", "INTEGER", "INTEGER", "INTEGER", "INTEGER", "INTEGER", "INTEGER",
                                                 "INTEGER", "TEXT", "TEXT", "TEXT", "TEXT", "INTEGER"}));
    EXPECT_EQ(db.rows("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Soldier'").size(), 1);
    EXPECT_EQ(db.rows("EXPLAIN QUERY PLAN SELECT * FROM Soldier ORDER BY Name").value(0).value("detail").toString(),
              "SCAN Soldier USING INDEX SoldierByName");

    // Every value, record by record in key order (the Access file's order).
    const QList<quint8> types = columnTypes(access);
    const QList<QVariantMap> stored = db.rows("SELECT * FROM Soldier ORDER BY rowid");
    ASSERT_EQ(stored.size(), exported.rows.size());
    int compared = 0;
    for (int r = 0; r < stored.size(); ++r) {
        EXPECT_EQ(stored[r].value("ID").toLongLong(), exported.rows[r][0].value_or("").toLongLong()) << "the key kept";
        for (int c = 0; c < exported.header.size(); ++c) {
            const QString difference = differenceFromExport(exported.rows[r][c], stored[r].value(exported.header[c]), types[c]);
            EXPECT_TRUE(difference.isEmpty()) << "record " << r + 1 << ", " << qPrintable(exported.header[c]) << ": "
                                              << qPrintable(difference);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 9000);

    // What mdb-export cannot tell apart: the file's empty texts stay empty
    // text and its NULLs stay NULL (the generator wrote empty LastSchool
    // for every fourth record and NULL NextSchool for the next).
    EXPECT_EQ(db.rows("SELECT ID FROM Soldier WHERE LastSchool = ''").size(), 75);
    EXPECT_EQ(db.rows("SELECT ID FROM Soldier WHERE LastSchool IS NULL").size(), 0);
    EXPECT_EQ(db.rows("SELECT ID FROM Soldier WHERE NextSchool IS NULL").size(), 75);
    EXPECT_EQ(db.rows("SELECT ID FROM Soldier WHERE NextSchool = ''").size(), 0);
    EXPECT_EQ(db.rows("SELECT ID FROM Soldier WHERE TISDate IS NULL OR APFT IS NULL OR TISPoints IS NULL").size(), 18);
    const QVariantMap second = db.rows("SELECT * FROM Soldier WHERE ID = 2").value(0);
    EXPECT_EQ(second.value("PrefDates").toString(), QString(3000, 'x')) << "the long memo whole";
    const QVariantMap third = db.rows("SELECT * FROM Soldier WHERE ID = 3").value(0);
    EXPECT_EQ(third.value("Name").toString(), QString::fromUtf8("Müller, Zoë"));
    EXPECT_EQ(third.value("TISDate").toString(), "1992-03-03");
    EXPECT_EQ(integrityCheck(roster), "ok");
}

INSTANTIATE_TEST_SUITE_P(JetFour, ImportTool, ::testing::Values(kJet4Access2000, kJet4Access2003),
                         [](const auto& param) { return param.index == 0 ? std::string("Access2000") : std::string("Access2003"); });

TEST(ImportTool, RefusesWithANumberAndWritesNothing)
{
    // OLD is "old.mdb" in an empty folder: a copy of `source` changed by
    // `change`, or what `change` alone writes; NEW is "new.MDB" there.
    const struct {
        const char* name;
        QString source; // empty: no copy
        std::function<void(const QString& old)> change;
        bool newExists;
        QStringList err; // each in standard error
    } cases[] = {
        {"the new file exists", kJet4Access2000, nullptr, true, {"error 17: The file"}},
        {"no table Soldier (Jet 3)", kJet3Sample, nullptr, false,
         {"error 3011: The Access file", "has no table \"Soldier\""}},
        {"a wrong layout", kJet4Access2000, [](const QString& old) { swapColumnNames(old, {{"TISDate", "DORDate"}}); },
         false,
         {"error 3190: The table Soldier in the Access file", "position 3 holds \"DORDate\" where \"TISDate\" belongs"}},
        {"a page's record count lost", kJet4Access2000,
         [](const QString& old) {
             QByteArray bytes = fileBytes(old);
             // The first data page of Soldier (page type 1, owned by the
             // table's design on page 24): its count of records zeroed.
             for (qsizetype page = 0; page * 4096 < bytes.size(); ++page) {
                 const char* p = bytes.constData() + page * 4096;
                 if (p[0] == 1 && p[4] == 24 && p[5] == 0 && p[6] == 0 && p[7] == 0) {
                     bytes[page * 4096 + 12] = 0;
                     break;
                 }
             }
             writeFile(old, bytes);
         },
         false,
         {"error 3049: The Access file", "is damaged: its table's design says 300 records, but 276 could be read"}},
        // The long memo's page is gone, which libmdb only warns of.
        {"a truncated file", kJet4Access2000,
         [](const QString& old) { writeFile(old, fileBytes(old).left(120 * 1024)); },
         false,
         {"error 3049: Record 2 (ID 2, Name \"Soldier001, Test\") of the Access file", "cannot be read in PrefDates"}},
        {"a date before the year 100", kJet4Access2000,
         [](const QString& old) {
             // Record 1's TISDate, 1/1/1990: the day number 32874 as a double.
             const double was = 32874.0, now = -700000.0;
             replaceOnce(old, QByteArray(reinterpret_cast<const char*>(&was), 8),
                         QByteArray(reinterpret_cast<const char*>(&now), 8));
         },
         false,
         {"error 5203: Record 1 (ID 1, Name \"Soldier000, Test\") of the Access file",
          "in TISDate (stored as -700000)"}},
        {"no Name column", kJet4Access2000, [](const QString& old) { swapColumnNames(old, {{"Name", "Nick"}}); }, false,
         {"error 3265: The table Soldier in the Access file", "has no column Name"}},
        {"an OLE Object column", kJet4Access2000,
         [](const QString& old) { setColumnType(old, 27, stream::jet::OleObject); }, // PrefDates, a Memo
         false, {"error 5204: The column \"PrefDates\"", "of the Access type OLE Object"}},
        {"not an Access file", {}, [](const QString& old) { writeFile(old, "SQLite format 3\0 and more"); }, false,
         {"error 3343: The file"}},
        {"no Access file there", {}, nullptr, false, {"error 3024: There is no Access file"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString old = dir.filePath("old.mdb");
        if (!c.source.isEmpty())
            copyJetFile(c.source, old);
        if (c.change)
            c.change(old);
        const QString target = dir.filePath("new.MDB");
        if (c.newExists)
            writeFile(target, "the clerk's own file");
        const QStringList before = folderEntries(dir.path());
        const QByteArray oldBefore = QFileInfo::exists(old) ? fileBytes(old) : QByteArray();
        const QByteArray targetBefore = c.newExists ? fileBytes(target) : QByteArray();

        const ToolRun run = runRosterTool({"import", old, target});
        EXPECT_EQ(run.exitCode, 1);
        for (const QString& part : c.err)
            EXPECT_TRUE(run.err.contains(part)) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
        EXPECT_EQ(folderEntries(dir.path()), before) << "nothing written, nothing left";
        if (QFileInfo::exists(old)) {
            EXPECT_EQ(fileBytes(old), oldBefore);
        }
        if (c.newExists) {
            EXPECT_EQ(fileBytes(target), targetBefore);
        }
    }
}

TEST(ImportTool, NamesTheFixedPositionThatIsWrong)
{
    QTemporaryDir dir;
    const QString old = copyJetFile(kJet4Access2000, dir.filePath("old.mdb"));
    swapColumnNames(old, {{"AAM2", "AAM3"}});
    const ToolRun run = runRosterTool({"import", old, dir.filePath("new.MDB")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("position 13 holds \"AAM3\" where \"AAM2\" belongs")) << qPrintable(run.err);
    const ToolRun usage = runRosterTool({"import", old});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("import takes OLD and NEW")) << qPrintable(usage.err);
}

TEST(ImportLibrary, RefusesATextLongerThanTheReaderTakesWholeNamingTheRecord)
{
    QTemporaryDir dir;
    const QString old = jetFile(kJet4Access2000);
    // Record 2 holds a memo of 3,000 characters.
    ReaderOptions small;
    small.maxTextBytes = 2000;
    const auto refused = failureOf([&] { importAccessRoster(old, dir.filePath("a.MDB"), small); });
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->number(), failure::TextTooLong);
    EXPECT_TRUE(refused->description().startsWith("Record 2 (ID 2, Name \"Soldier001, Test\")")) << qPrintable(refused->description());
    EXPECT_TRUE(refused->description().contains("in PrefDates")) << qPrintable(refused->description());
    EXPECT_EQ(folderEntries(dir.path()), QStringList());

    ReaderOptions enough;
    enough.maxTextBytes = 3100; // one byte a character, and the converter's margin
    const ImportSummary summary = importAccessRoster(old, dir.filePath("b.MDB"), enough);
    EXPECT_EQ(summary.records, 300);
    EXPECT_EQ(Connection(dir.filePath("b.MDB")).rows("SELECT PrefDates FROM Soldier WHERE ID = 2").value(0).value("PrefDates"),
              QString(3000, 'x'));
}

} // namespace
